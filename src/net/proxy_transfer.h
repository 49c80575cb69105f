// Every request of the program goes through the proxy the system would use for its URL (see
// system_proxy.h), never through the *_proxy variables of whoever started this elevated
// program. A proxy that does not answer is not the end: the request is made once directly, and
// so is every later one of the run, with a line on standard error. (A network accelerator often
// points the system's proxy at a port of its own, which is gone once the updater has stopped it.)
// Portable.
#pragma once

#include <curl/curl.h>

#include <string>

namespace update {

// Runs the transfer set up on `handle`, whose URL is `url`, by way of the proxy for it. Where the
// proxy asks who the user is, the user's Windows credentials are offered (Negotiate or NTLM).
CURLcode PerformThroughProxy(CURL* handle, const std::string& url);

}  // namespace update
