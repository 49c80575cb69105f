#include "net/proxy_rules.h"

#include <algorithm>
#include <vector>

namespace update {
namespace {

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lowered;
}

std::vector<std::string_view> Entries(std::string_view list, std::string_view separators) {
  std::vector<std::string_view> entries;
  size_t at = 0;
  while (at < list.size()) {
    const size_t end = std::min(list.find_first_of(separators, at), list.size());
    if (end > at) entries.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return entries;
}

std::string_view WithoutScheme(std::string_view text) {
  const size_t marker = text.find("://");
  return marker == std::string_view::npos ? text : text.substr(marker + 3);
}

// '*' matches any run of characters, everything else itself.
bool Matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*') {
    for (size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && pattern.front() == text.front() &&
         Matches(pattern.substr(1), text.substr(1));
}

// The host of "host", "host:port", "[v6]" or "[v6]:port".
std::string_view HostOf(std::string_view authority) {
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    return close == std::string_view::npos ? authority.substr(1) : authority.substr(1, close - 1);
  }
  return authority.substr(0, authority.find(':'));
}

}  // namespace

std::optional<UrlParts> SplitUrl(std::string_view url) {
  UrlParts parts;
  const size_t marker = url.find("://");
  parts.scheme = marker == std::string_view::npos ? "http" : Lowered(url.substr(0, marker));
  std::string_view rest = WithoutScheme(url);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const size_t user = rest.rfind('@'); user != std::string_view::npos) {
    rest.remove_prefix(user + 1);
  }
  parts.host = Lowered(HostOf(rest));
  if (parts.host.empty()) return std::nullopt;
  return parts;
}

std::string ProxyForScheme(std::string_view proxies, std::string_view scheme) {
  for (const std::string_view entry : Entries(proxies, "; \t\r\n")) {
    const size_t equals = entry.find('=');
    if (equals == std::string_view::npos) return std::string(WithoutScheme(entry));
    if (Lowered(entry.substr(0, equals)) == Lowered(scheme)) {
      const std::string_view proxy = WithoutScheme(entry.substr(equals + 1));
      if (!proxy.empty()) return std::string(proxy);
    }
  }
  return {};
}

bool IsBypassed(std::string_view bypass, std::string_view host) {
  const std::string wanted = Lowered(host);
  for (const std::string_view entry : Entries(bypass, ";, \t\r\n")) {
    const std::string pattern = Lowered(entry);
    if (pattern == "<local>") {
      if (wanted.find('.') == std::string::npos && wanted.find(':') == std::string::npos) {
        return true;
      }
      continue;
    }
    if (Matches(HostOf(WithoutScheme(pattern)), wanted)) return true;
  }
  return false;
}

}  // namespace update
