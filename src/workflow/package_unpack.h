// Unpacking the downloaded package into the install folder. The whole package is first
// extracted into a staging folder beside the installed files (every item's CRC checked); only
// then are the files swapped in, each replaced file kept until all are in place (see
// package_swap.h). A failure at any point leaves the install as it was. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "sys/scoped_handle.h"
#include "workflow/file_ops.h"
#include "workflow/install_job.h"

namespace update {

enum class UnpackOutcome {
  kDone,        // every item in place, the package file deleted
  kNoPackage,   // the package cannot be opened (an error page, a truncated file)
  kNoSpace,     // the volume cannot hold the extracted package: nothing was written
  kItemFailed,  // an item could not be staged or swapped in: the install is as it was
  kStuck,       // a swap failed and could not be undone whole: the journal stays for next start
};

struct UnpackResult {
  UnpackResult() = default;
  UnpackResult(UnpackOutcome how) : outcome(how) {}  // NOLINT: an outcome is a result
  UnpackOutcome outcome = UnpackOutcome::kNoPackage;
  std::uint64_t bytesShort = 0;  // kNoSpace: what the volume lacks, when known
  std::wstring heldFile;         // the file another program holds, relative to the folder
  unsigned long error = 0;       // the system's error of the step that failed
};

// Unpacks the package read through `package`, a hold of package_file.h. The running updater is
// among the files replaced like any other, except that its backup is its own path + "_old" (a
// stale file of that name from an earlier update is deleted first), which stays after a success.
// The package file is removed in every case, and the hold closed, before this returns.
// `ops` are confined to the install folder.
UnpackResult UnpackPackage(const InstallJob& job, FileHandle package, FileOps& ops);

// The updater's own path + "_old".
std::wstring OldUpdaterPath(const std::wstring& selfPath);

}  // namespace update
