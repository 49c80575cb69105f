// What every transfer of package bytes shares: the options that check certificates
// and host names and keep to HTTP(S), what counts as a break worth resuming, and the cancellable
// wait before a resume. Windows only.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <string>

#include "workflow/download_limits.h"

namespace update {

// The options of a package transfer of `url`; the caller adds its callbacks and range.
void SetPackageTransferOptions(CURL* handle, const std::string& url, const DownloadLimits& limits);

// A transfer that broke off on the way, as against one that was refused or never began.
bool IsBreak(CURLcode code);

// False when the wait was cancelled.
bool WaitUnlessCancelled(int milliseconds, const std::atomic<bool>& cancel);

}  // namespace update
