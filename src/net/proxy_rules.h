// How the user's proxy settings apply to a URL, as Windows keeps them: a proxy list (one proxy
// for every scheme, or "scheme=host:port" entries) and a bypass list. Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace update {

struct UrlParts {
  std::string scheme;  // lowercase
  std::string host;    // lowercase, without brackets, user or port
};

// The scheme and host of an absolute URL; a URL without a scheme is taken as http, as libcurl
// takes it. Nothing when there is no host.
std::optional<UrlParts> SplitUrl(std::string_view url);

// The proxy `proxies` names for `scheme`, as "host:port": entries are separated by ';' or white
// space; an entry "scheme=host:port" applies to that scheme only, an entry without '=' to every
// scheme; the first that applies is taken. An "http://" in front of a proxy is dropped. Empty
// when none applies.
std::string ProxyForScheme(std::string_view proxies, std::string_view scheme);

// True when `host` is on the bypass list: entries separated by ';', ',' or white space, each a
// host name or address where '*' stands for any run of characters, optionally with a scheme in
// front and a port after; "<local>" stands for every host name without a dot. Case does not
// matter.
bool IsBypassed(std::string_view bypass, std::string_view host);

}  // namespace update
