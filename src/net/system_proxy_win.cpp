// WinHTTP's reading of the user's proxy settings. Windows only.
#include <windows.h>
#include <winhttp.h>

#include <map>
#include <memory>
#include <mutex>

#include "common/text_convert.h"
#include "net/proxy_rules.h"
#include "net/system_proxy.h"

namespace update {
namespace {

struct GlobalDeleter {
  void operator()(wchar_t* text) const { GlobalFree(text); }
};
using GlobalText = std::unique_ptr<wchar_t, GlobalDeleter>;

struct InternetDeleter {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetDeleter>;

// How long finding the automatic configuration (WPAD) and fetching a PAC script may take.
constexpr int kAutoProxyTimeoutMs = 5000;

std::string Narrow(const wchar_t* text) {
  return text ? WideToUtf8(text) : std::string();
}

struct UserSettings {
  bool autoDetect = false;
  std::wstring autoConfigUrl;
  std::string proxies;
  std::string bypass;
};

UserSettings ReadUserSettings() {
  UserSettings settings;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
  const GlobalText autoConfigUrl(config.lpszAutoConfigUrl);
  const GlobalText proxy(config.lpszProxy);
  const GlobalText bypass(config.lpszProxyBypass);
  settings.autoDetect = config.fAutoDetect != FALSE;
  if (autoConfigUrl) settings.autoConfigUrl = autoConfigUrl.get();
  settings.proxies = Narrow(proxy.get());
  settings.bypass = Narrow(bypass.get());
  return settings;
}

// What automatic configuration says of `url`: a proxy, "" for direct, nothing when it says
// nothing (no script found, a script that fails).
std::optional<std::string> AutomaticProxyFor(const UserSettings& settings, const std::string& url) {
  const InternetHandle session(WinHttpOpen(L"Update", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return std::nullopt;
  WinHttpSetTimeouts(session.get(), kAutoProxyTimeoutMs, kAutoProxyTimeoutMs, kAutoProxyTimeoutMs,
                     kAutoProxyTimeoutMs);
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (!settings.autoConfigUrl.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = settings.autoConfigUrl.c_str();
  }
  if (settings.autoDetect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  if (!WinHttpGetProxyForUrl(session.get(), Utf8ToWide(url).c_str(), &options, &info)) {
    return std::nullopt;
  }
  const GlobalText proxy(info.lpszProxy);
  const GlobalText bypass(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || !proxy) return std::string();
  const std::optional<UrlParts> parts = SplitUrl(url);
  if (!parts || IsBypassed(Narrow(bypass.get()), parts->host)) return std::string();
  return ProxyForScheme(Narrow(proxy.get()), parts->scheme);
}

std::string ProxyFor(const UserSettings& settings, const std::string& url) {
  if (settings.autoDetect || !settings.autoConfigUrl.empty()) {
    if (std::optional<std::string> automatic = AutomaticProxyFor(settings, url)) {
      return *automatic;
    }
  }
  const std::optional<UrlParts> parts = SplitUrl(url);
  if (settings.proxies.empty() || !parts || IsBypassed(settings.bypass, parts->host)) return {};
  return ProxyForScheme(settings.proxies, parts->scheme);
}

}  // namespace

std::string SystemProxyFor(const std::string& url) {
  static std::mutex mutex;
  static std::optional<UserSettings> settings;
  static std::map<std::string, std::string> chosen;  // by scheme and host
  const std::optional<UrlParts> parts = SplitUrl(url);
  const std::string key = parts ? parts->scheme + "://" + parts->host : url;
  const std::lock_guard<std::mutex> lock(mutex);
  if (!settings) settings = ReadUserSettings();
  const auto known = chosen.find(key);
  if (known != chosen.end()) return known->second;
  return chosen[key] = ProxyFor(*settings, url);
}

}  // namespace update
