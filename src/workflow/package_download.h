// Fetching the package into the install folder: streamed to disk as it arrives, progress told
// to the window while the total is known, certificates and host names checked, an HTTP error
// status counted as a failure, no partial file left behind. Windows only.
#pragma once

#include <atomic>
#include <string>

#include "workflow/workflow_events.h"

namespace update {

struct DownloadOutcome {
  bool ok = false;
  bool cancelled = false;
  double reportedTotal = 0;  // the last total told to the window; 0 when none was
};

struct DownloadLimits {
  long connectTimeoutSeconds = 30;
  long stallSeconds = 60;  // no data for this long ends the transfer; there is no overall limit
  int maxRedirects = 5;
};

// Downloads `url` into `path` (created or truncated). `cancel` set ends the transfer at the next
// progress step. A failed transfer writes "curl_easy_perform() failed: <reason>" to standard
// error. On failure or cancellation `path` is removed.
DownloadOutcome DownloadPackage(const std::string& url, const std::wstring& path,
                                WorkflowEvents& events, const std::atomic<bool>& cancel,
                                const DownloadLimits& limits = {});

}  // namespace update
