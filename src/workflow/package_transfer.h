// What every transfer of package bytes shares: its limits, the options that check certificates
// and host names and keep to HTTP(S), what counts as a break worth resuming, and the cancellable
// wait before a resume. Windows only.
#pragma once

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <string>

namespace update {

struct DownloadLimits {
  long connectTimeoutSeconds = 30;
  long stallSeconds = 60;  // no data for this long ends the transfer; there is no overall limit
  int maxRedirects = 5;
  // A transfer that breaks off after data came is resumed after each of these waits in turn,
  // then given up.
  std::array<int, 3> resumeBackoffMs = {1000, 2000, 4000};
};

// The options of a package transfer of `url`; the caller adds its callbacks and range.
void SetPackageTransferOptions(CURL* handle, const std::string& url, const DownloadLimits& limits);

// A transfer that broke off on the way, as against one that was refused or never began.
bool IsBreak(CURLcode code);

// False when the wait was cancelled.
bool WaitUnlessCancelled(int milliseconds, const std::atomic<bool>& cancel);

}  // namespace update
