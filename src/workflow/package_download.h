// Fetching the package into the install folder: streamed to disk as it arrives, progress told
// to the window while the total is known, certificates and host names checked, an HTTP error
// status counted as a failure, no partial file left behind. Windows only.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "workflow/download_limits.h"
#include "workflow/reasons.h"
#include "workflow/workflow_events.h"

namespace update {

struct DownloadOutcome {
  bool ok = false;
  bool cancelled = false;
  double reportedTotal = 0;  // the last total told to the window; 0 when none was
  std::string sha256;        // of the bytes written, lowercase hex; empty unless asked for
  // The file holds only the items that changed, each checked against the SHA-256 the package
  // records: there is no digest of the whole to check.
  bool changedItemsOnly = false;
  std::uint64_t bytes = 0;  // package bytes received
  Failure failure;          // why it failed, unless cancelled
};

// Downloads `url` into `file` (empty, held: see package_file.h). `cancel` set ends the transfer
// at the next progress step, or a wait before a resume at once. A transfer that breaks off (a
// reset, a stall, a body cut short) after data came is resumed with a Range request from the end
// of the file, when the package's answer named a validator and served byte ranges; percent and
// total always refer to the whole package. A failed transfer writes "curl_easy_perform() failed:
// <reason>" to standard error. On failure or cancellation the file is marked for deletion: it goes
// when `file` closes. `takeSha256` asks for the SHA-256 of the package, taken of the bytes as they
// are written through the hold (about 0.8 s of CPU for 200 MB here).
DownloadOutcome DownloadPackage(const std::string& url, HANDLE file, WorkflowEvents& events,
                                const std::atomic<bool>& cancel, const DownloadLimits& limits = {},
                                bool takeSha256 = false);

}  // namespace update
