// The proxy the system would use for a URL. On Windows that is WinHTTP's reading of the user's
// settings (a manual proxy with its bypass list, a PAC script's address, auto-detection);
// elsewhere there is none. Read once per run: the settings at the first request hold for every
// later one.
#pragma once

#include <string>

namespace update {

// "host:port" of the proxy for `url`; empty for none (direct).
std::string SystemProxyFor(const std::string& url);

}  // namespace update
