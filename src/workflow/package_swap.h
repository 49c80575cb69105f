// Putting a staged package in place of the installed files, so that the install is never left
// half old and half new: each replaced file is moved aside into a backup folder and the staged
// one moved into its place, all renames on one volume, with the journal on the disk before the
// first. Any failure moves everything back; a journal found at a start is replayed. Windows only.
#pragma once

#include <string>

#include "workflow/file_ops.h"
#include "workflow/swap_journal.h"

namespace update {

// The swap's own names in the install folder (`installDir` ends with a backslash).
std::wstring StagingFolder(const std::wstring& installDir);
std::wstring BackupFolder(const std::wstring& installDir);
std::wstring JournalPath(const std::wstring& installDir);

enum class SwapOutcome {
  kDone,        // every file in place; backups, staging and journal removed
  kRolledBack,  // a step failed; the install is as it was, nothing of the swap is left
  kStuck,       // a step failed and so did a step back: the journal stays for the next start
};

// The move that failed a swap: its path relative to the folder, and the system's error.
struct SwapFault {
  std::wstring path;
  unsigned long error = 0;
};

// Writes the journal of `plan` (whose paths are relative to `installDir`), then carries it out.
// A move that fails is told through `fault`.
SwapOutcome SwapIn(const SwapPlan& plan, const std::wstring& installDir, FileOps& ops,
                   SwapFault* fault = nullptr);

enum class RecoveryOutcome {
  kNothingLeft,  // no swap was interrupted, or the one that was is finished or undone
  kStuck,        // a step back failed again: the journal stays for the next start
  kRefused,      // the journal cannot be read, or names a place outside the install folder or
                 // behind a link: nothing was touched because of it, and it stays
};

// True when a swap or a staging left something in `installDir`: its journal, staging or backup.
bool SwapWasInterrupted(const std::wstring& installDir);

// At a start, before anything else touches `installDir`: a swap a crash interrupted is finished
// when it was committed and rolled back when not; leftovers of an interrupted staging go. The
// reason of anything but kNothingLeft is on standard error.
RecoveryOutcome RecoverInterruptedSwap(const std::wstring& installDir, FileOps& ops);

}  // namespace update
