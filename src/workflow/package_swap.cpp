#include "workflow/package_swap.h"

#include <windows.h>

#include <cstdio>

#include "common/text_convert.h"
#include "workflow/boot_rename.h"
#include "workflow/swap_step_hook.h"

namespace update {
namespace {

// Each file back where it was, whatever point the swap reached: a file is always in exactly one
// of its places, since every step is a rename. False when a step back failed.
bool StepBack(const SwapPlan& plan, const std::wstring& installDir, FileOps& ops) {
  bool whole = true;
  for (auto entry = plan.entries.rbegin(); entry != plan.entries.rend(); ++entry) {
    const std::wstring target = installDir + entry->target;
    const bool moved_in = !PathExists(installDir + entry->staged) && PathExists(target);
    if (entry->backup.empty()) {
      if (moved_in && !ops.RemoveFile(target)) whole = false;
      continue;
    }
    const std::wstring backup = installDir + entry->backup;
    if (!PathExists(backup)) continue;  // never moved aside
    if (PathExists(target) && !ops.RemoveFile(target)) {
      whole = false;
      continue;
    }
    if (!ops.Move(backup, target)) whole = false;
  }
  for (auto folder = plan.folders.rbegin(); folder != plan.folders.rend(); ++folder) {
    ops.RemoveFolder(installDir + *folder);  // one that is not empty was not only ours
  }
  return whole;
}

bool CleanUp(const std::wstring& installDir, FileOps& ops) {
  const bool staging_gone = RemoveTree(ops, StagingFolder(installDir));
  const bool backup_gone = RemoveTree(ops, BackupFolder(installDir));
  return staging_gone && backup_gone && ops.RemoveFile(JournalPath(installDir));
}

SwapOutcome RollBack(const SwapPlan& plan, const std::wstring& installDir, FileOps& ops) {
  // The backups stay until every file is back: they may be the only copy.
  if (StepBack(plan, installDir, ops) && CleanUp(installDir, ops)) return SwapOutcome::kRolledBack;
  std::fprintf(stderr,
               "swap: the install could not be put back whole; the journal %ls stays for the "
               "next start\n",
               JournalPath(installDir).c_str());
  return SwapOutcome::kStuck;
}

bool Failed(const char* what, const std::wstring& path, SwapFault* fault) {
  const DWORD error = GetLastError();
  std::fprintf(stderr, "swap: %s %ls failed (error %lu); the install is put back\n", what,
               path.c_str(), error);
  if (fault) *fault = {path, error};
  return false;
}

bool MoveIn(const SwapPlan& plan, const std::wstring& installDir, FileOps& ops, SwapFault* fault) {
  for (const std::wstring& folder : plan.folders) {
    if (!ops.MakeFolder(installDir + folder)) return Failed("making the folder", folder, fault);
  }
  int step = 0;
  for (const SwapEntry& entry : plan.entries) {
    const std::wstring target = installDir + entry.target;
    if (!entry.backup.empty()) {
      const std::wstring backup = installDir + entry.backup;
      if (!MakeFoldersOnTheWay(ops, BackupFolder(installDir), backup)) {
        return Failed("making the backup folder of", entry.backup, fault);
      }
      BeforeSwapStep(++step);
      if (!ops.Move(target, backup)) return Failed("moving aside", entry.target, fault);
    }
    BeforeSwapStep(++step);
    if (!ops.Move(installDir + entry.staged, target))
      return Failed("moving in", entry.target, fault);
  }
  return true;
}

// A backup path that something already holds: a step back would take that for the file this
// swap moved aside.
const std::wstring* TakenBackup(const SwapPlan& plan, const std::wstring& installDir) {
  for (const SwapEntry& entry : plan.entries) {
    if (!entry.backup.empty() && PathExists(installDir + entry.backup)) return &entry.backup;
  }
  return nullptr;
}

// The place of the plan's paths that lies behind a link in the install folder, if one does.
const std::wstring* BehindLink(const SwapPlan& plan, const std::wstring& installDir) {
  for (const std::wstring& folder : plan.folders) {
    if (ReachesThroughLink(installDir, folder)) return &folder;
  }
  for (const SwapEntry& entry : plan.entries) {
    for (const std::wstring* path : {&entry.target, &entry.staged, &entry.backup}) {
      if (!path->empty() && ReachesThroughLink(installDir, *path)) return path;
    }
  }
  return nullptr;
}

// Every move of the plan done and none undone: a step back puts a backup in its target's place,
// or removes a file the package added.
bool EveryFileMovedIn(const SwapPlan& plan, const std::wstring& installDir) {
  for (const SwapEntry& entry : plan.entries) {
    if (PathExists(installDir + entry.staged) || !PathExists(installDir + entry.target) ||
        (!entry.backup.empty() && !PathExists(installDir + entry.backup))) {
      return false;
    }
  }
  return true;
}

// For as long as a swap runs, a power cut between the updater's two renames leaves an Update.exe
// all the same: the system's next start puts the old one back when the name is empty then. A
// swap that could not be put back whole keeps that for the next start; the repair takes it back.
class UpdaterNameGuard {
 public:
  UpdaterNameGuard(const SwapPlan& plan, const std::wstring& installDir) : m_folder(installDir) {
    if (plan.updater < 0 || plan.entries[plan.updater].backup.empty()) return;
    const SwapEntry& updater = plan.entries[plan.updater];
    m_asked = ScheduleRenameAtBoot(installDir + updater.backup, installDir + updater.target);
  }
  UpdaterNameGuard(const UpdaterNameGuard&) = delete;
  UpdaterNameGuard& operator=(const UpdaterNameGuard&) = delete;
  ~UpdaterNameGuard() {
    if (m_asked && !m_kept) WithdrawRenamesAtBootInside(m_folder);
  }
  void KeepForTheNextStart() { m_kept = true; }

 private:
  std::wstring m_folder;
  bool m_asked = false;
  bool m_kept = false;
};

SwapOutcome RollBackKeepingTheGuard(const SwapPlan& plan, const std::wstring& installDir,
                                    FileOps& ops, UpdaterNameGuard& guard) {
  const SwapOutcome outcome = RollBack(plan, installDir, ops);
  if (outcome == SwapOutcome::kStuck) guard.KeepForTheNextStart();
  return outcome;
}

}  // namespace

std::wstring StagingFolder(const std::wstring& installDir) {
  return installDir + std::wstring(kStagingFolderName);
}

std::wstring BackupFolder(const std::wstring& installDir) {
  return installDir + std::wstring(kBackupFolderName);
}

std::wstring JournalPath(const std::wstring& installDir) {
  return installDir + L"Update.journal";
}

SwapOutcome SwapIn(const SwapPlan& plan, const std::wstring& installDir, FileOps& ops,
                   SwapFault* fault) {
  const std::wstring journal = JournalPath(installDir);
  // A link planted in a folder that others can write would take the moves somewhere else.
  if (const std::wstring* link = BehindLink(plan, installDir)) {
    std::fprintf(stderr, "swap: %ls lies behind a link in the install; nothing is moved\n",
                 link->c_str());
    RemoveTree(ops, StagingFolder(installDir));
    return SwapOutcome::kRolledBack;
  }
  if (const std::wstring* taken = TakenBackup(plan, installDir)) {
    std::fprintf(stderr, "swap: %ls is there already; nothing is moved\n", taken->c_str());
    RemoveTree(ops, StagingFolder(installDir));
    return SwapOutcome::kRolledBack;
  }
  if (!ops.WriteDurably(journal, FormatJournal(plan))) {
    ops.RemoveFile(journal + L".tmp");
    RemoveTree(ops, StagingFolder(installDir));
    return SwapOutcome::kRolledBack;
  }
  UpdaterNameGuard guard(plan, installDir);
  if (!MoveIn(plan, installDir, ops, fault))
    return RollBackKeepingTheGuard(plan, installDir, ops, guard);
  SwapPlan committed = plan;
  committed.committed = true;
  // Without the commit on the disk the next start would undo the swap: better now.
  if (!ops.WriteDurably(journal, FormatJournal(committed))) {
    return RollBackKeepingTheGuard(plan, installDir, ops, guard);
  }
  // The new install stands: what is not cleaned up now is at the next start.
  CleanUp(installDir, ops);
  return SwapOutcome::kDone;
}

bool SwapWasInterrupted(const std::wstring& installDir) {
  return PathExists(JournalPath(installDir)) || PathExists(StagingFolder(installDir)) ||
         PathExists(BackupFolder(installDir));
}

RecoveryOutcome RecoverInterruptedSwap(const std::wstring& installDir, FileOps& ops) {
  const std::wstring journal = JournalPath(installDir);
  if (!SwapWasInterrupted(installDir)) return RecoveryOutcome::kNothingLeft;
  std::optional<SwapPlan> plan;
  if (PathExists(journal)) {
    const std::optional<std::string> text = ReadWholeFile(journal);
    JournalReading reading =
        text ? ParseJournal(*text, installDir) : JournalReading{{}, "it cannot be read"};
    const std::wstring* behind_link =
        reading.plan ? BehindLink(*reading.plan, installDir) : nullptr;
    if (behind_link) {
      reading.refusal = "it names " + WideToUtf8(*behind_link) + ", which lies behind a link";
    }
    if (!reading.plan || behind_link) {
      std::fprintf(stderr, "swap: the journal %ls is refused (%s); it is left as it is\n",
                   journal.c_str(), reading.refusal.c_str());
      return RecoveryOutcome::kRefused;
    }
    plan = std::move(reading.plan);
  }
  // The package that was being unpacked goes too; the next update fetches it again.
  const std::wstring package = installDir + L"up.zip";
  if (PathExists(package)) ops.RemoveFile(package);
  if (PathExists(journal + L".tmp")) ops.RemoveFile(journal + L".tmp");  // never took effect
  bool whole = false;
  if (!plan) {
    // A crash while the package was being staged: nothing was moved yet.
    const bool staging_gone = RemoveTree(ops, StagingFolder(installDir));
    whole = RemoveTree(ops, BackupFolder(installDir)) && staging_gone;
    if (!whole) std::fprintf(stderr, "swap: what an interrupted staging left cannot be removed\n");
  } else if (plan->committed) {
    whole = CleanUp(installDir, ops);
    if (!whole) std::fprintf(stderr, "swap: what a finished swap left cannot be removed\n");
  } else if (EveryFileMovedIn(*plan, installDir)) {
    // Only the commit was missing: the new install stands whole, and its updater, which may be
    // the program doing this, cannot be moved aside again.
    whole = CleanUp(installDir, ops);
    if (!whole) std::fprintf(stderr, "swap: what a finished swap left cannot be removed\n");
  } else {
    whole = RollBack(*plan, installDir, ops) == SwapOutcome::kRolledBack;
  }
  if (!whole) return RecoveryOutcome::kStuck;
  // What the swap asked of the system's next start is needed no more.
  if (plan) WithdrawRenamesAtBootInside(installDir);
  return RecoveryOutcome::kNothingLeft;
}

}  // namespace update
