#include "net/proxy_transfer.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "net/system_proxy.h"

namespace update {
namespace {

std::mutex g_mutex;
std::set<std::string> g_silentProxies;  // found not answering in this run

bool IsSilent(const std::string& proxy) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  return g_silentProxies.count(proxy) != 0;
}

void SetSilent(const std::string& proxy) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  g_silentProxies.insert(proxy);
}

// Refused, unknown, or no connection within the connect time-out: the proxy never answered.
bool ProxyNeverAnswered(CURL* handle, CURLcode code) {
  if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_PROXY) return true;
  curl_off_t connected = 0;
  return code == CURLE_OPERATION_TIMEDOUT &&
         curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connected) == CURLE_OK &&
         connected == 0;
}

void UseProxy(CURL* handle, const std::string& proxy) {
  // An empty proxy is none: libcurl then reads no *_proxy variable either.
  curl_easy_setopt(handle, CURLOPT_PROXY, proxy.empty() ? "" : ("http://" + proxy).c_str());
  if (proxy.empty()) return;
  curl_easy_setopt(handle, CURLOPT_PROXYAUTH, CURLAUTH_NEGOTIATE | CURLAUTH_NTLM);
  curl_easy_setopt(handle, CURLOPT_PROXYUSERPWD, ":");  // the signed-in user's own credentials
}

}  // namespace

CURLcode PerformThroughProxy(CURL* handle, const std::string& url) {
  const std::string proxy = SystemProxyFor(url);
  const bool through = !proxy.empty() && !IsSilent(proxy);
  UseProxy(handle, through ? proxy : std::string());
  const CURLcode code = curl_easy_perform(handle);
  if (!through || !ProxyNeverAnswered(handle, code)) return code;
  SetSilent(proxy);
  std::fprintf(stderr, "proxy: %s does not answer (%s); going direct for the rest of this run\n",
               proxy.c_str(), curl_easy_strerror(code));
  UseProxy(handle, std::string());
  return curl_easy_perform(handle);
}

}  // namespace update
