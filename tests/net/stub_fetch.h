// Native only: one libcurl transfer against a vendor-stub, with what the tests look at.
#pragma once

#include <curl/curl.h>

#include <string>

namespace update::testing {

struct Transfer {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  curl_off_t announcedLength = -1;
  long redirects = 0;
  int writes = 0;
};

// A GET, or a POST of `postBody`; follows up to `maxRedirects` redirects when not negative. Over
// HTTPS with a `caFile`, that CA is the only one trusted (peer and host name are verified).
Transfer Fetch(const std::string& url, const char* postBody = nullptr, long maxRedirects = -1,
               const std::string& caFile = "");

// The "url" member of a version check answer; empty when there is none.
std::string UrlOfAnswer(const std::string& answer);

}  // namespace update::testing
