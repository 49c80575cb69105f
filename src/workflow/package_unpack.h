// Unpacking the downloaded package over the install folder. Windows only.
#pragma once

#include <string>

#include "workflow/install_job.h"

namespace update {

enum class UnpackOutcome {
  kDone,        // every item extracted, the package file deleted
  kNoPackage,   // the package cannot be opened (an error page, a truncated file)
  kItemFailed,  // an item could not be written (in use, disk full, a refused path)
};

// In update mode the running updater first moves aside to its own path + "_old" (a stale file
// of that name from an earlier update is deleted first), so that the package can bring a new
// updater under the same name; when the unpack fails before one was written, the old one is
// moved back. Then every item, in index order, is extracted below the install folder under its
// own cleaned name. The package file is removed in every case.
UnpackOutcome UnpackPackage(const InstallJob& job);

// The updater's own path + "_old".
std::wstring OldUpdaterPath(const std::wstring& selfPath);

// Moves the running updater to OldUpdaterPath, replacing a stale one. False when the move fails.
bool RenameSelfToOld(const std::wstring& selfPath);

}  // namespace update
