// An update that fetches only what changed. The package's directory comes from its tail (checked
// against the answer's signed digest of it, when the answer gives one); each item is compared
// with the installed file (size, then SHA-256); only the items that differ are fetched, by HTTP
// ranges, into the held package file. The file then holds a whole package of those items (their
// bytes as the package has them, and a directory of them), each checked against its recorded
// SHA-256, and it unpacks as any other: the files left out are not touched. Windows only.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "workflow/download_limits.h"
#include "workflow/install_job.h"
#include "workflow/workflow_events.h"

namespace update {

enum class ChangedItemsOutcome {
  kFetched,      // the file holds the changed items, each as recorded
  kCancelled,    // the file is marked for deletion
  kUnavailable,  // not so for this package or server (the reason is on standard error): the
                 // file is empty again, for the whole package
};

struct ChangedItems {
  ChangedItemsOutcome outcome = ChangedItemsOutcome::kUnavailable;
  std::uint64_t packageSize = 0;   // of the whole package, when its tail came
  std::uint64_t fetchedBytes = 0;  // of the items fetched
};

// Fetches the items of `job.packageUrl` that the install in `job.installDir` does not hold as the
// package records them, into `package` (empty, held: see package_file.h). The bar runs over the
// bytes of those items; a range that breaks off is resumed as a whole download is.
ChangedItems FetchChangedItems(const InstallJob& job, HANDLE package, WorkflowEvents& events,
                               const std::atomic<bool>& cancel, const DownloadLimits& limits = {});

}  // namespace update
