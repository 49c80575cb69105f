#include "workflow/package_swap.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace update {
namespace {

// A test seam: with UPDATE_HALT_BEFORE_SWAP_STEP=N the swap says so on standard error and waits
// for ever before its move number N (from 1), so that a test can end the process right there.
void HaltIfAsked(int step) {
  static const int halt_at = [] {
    const char* value = std::getenv("UPDATE_HALT_BEFORE_SWAP_STEP");
    return value ? std::atoi(value) : 0;
  }();
  if (halt_at != step) return;
  std::fprintf(stderr, "swap: halted before step %d\n", step);
  std::fflush(stderr);
  for (;;) Sleep(INFINITE);
}

std::wstring ParentOf(const std::wstring& path) {
  const size_t at = path.find_last_of(L'\\');
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

// The folders of `path` from `root` down that do not exist yet, made outermost first.
bool MakeParents(FileOps& ops, const std::wstring& root, const std::wstring& path) {
  std::wstring parent = ParentOf(path);
  std::vector<std::wstring> missing;
  while (parent.size() >= root.size() && !IsFolder(parent)) {
    missing.push_back(parent);
    parent = ParentOf(parent);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    if (!ops.MakeFolder(*folder)) return false;
  }
  return true;
}

// Each file back where it was, whatever point the swap reached: a file is always in exactly one
// of its places, since every step is a rename. False when a step back failed.
bool StepBack(const SwapPlan& plan, FileOps& ops) {
  bool whole = true;
  for (auto entry = plan.entries.rbegin(); entry != plan.entries.rend(); ++entry) {
    const bool moved_in = !PathExists(entry->staged) && PathExists(entry->target);
    if (entry->backup.empty()) {
      if (moved_in && !ops.RemoveFile(entry->target)) whole = false;
      continue;
    }
    if (!PathExists(entry->backup)) continue;  // never moved aside
    if (PathExists(entry->target) && !ops.RemoveFile(entry->target)) {
      whole = false;
      continue;
    }
    if (!ops.Move(entry->backup, entry->target)) whole = false;
  }
  for (auto folder = plan.folders.rbegin(); folder != plan.folders.rend(); ++folder) {
    ops.RemoveFolder(*folder);  // one that is not empty was not only ours
  }
  return whole;
}

bool CleanUp(const SwapPlan& plan, const std::wstring& journalPath, FileOps& ops) {
  const bool staging_gone = RemoveTree(ops, plan.staging);
  const bool backup_gone = RemoveTree(ops, plan.backup);
  return staging_gone && backup_gone && ops.RemoveFile(journalPath);
}

SwapOutcome RollBack(const SwapPlan& plan, const std::wstring& journalPath, FileOps& ops) {
  // The backups stay until every file is back: they may be the only copy.
  if (StepBack(plan, ops) && CleanUp(plan, journalPath, ops)) return SwapOutcome::kRolledBack;
  std::fprintf(stderr,
               "swap: the install could not be put back whole; the journal %ls stays for the "
               "next start\n",
               journalPath.c_str());
  return SwapOutcome::kStuck;
}

bool Failed(const char* what, const std::wstring& path) {
  std::fprintf(stderr, "swap: %s %ls failed (error %lu); the install is put back\n", what,
               path.c_str(), GetLastError());
  return false;
}

bool MoveIn(const SwapPlan& plan, FileOps& ops) {
  for (const std::wstring& folder : plan.folders) {
    if (!ops.MakeFolder(folder)) return Failed("making the folder", folder);
  }
  int step = 0;
  for (const SwapEntry& entry : plan.entries) {
    if (!entry.backup.empty()) {
      if (!MakeParents(ops, plan.backup, entry.backup)) {
        return Failed("making the backup folder of", entry.backup);
      }
      HaltIfAsked(++step);
      if (!ops.Move(entry.target, entry.backup)) return Failed("moving aside", entry.target);
    }
    HaltIfAsked(++step);
    if (!ops.Move(entry.staged, entry.target)) return Failed("moving in", entry.target);
  }
  return true;
}

}  // namespace

std::wstring StagingFolder(const std::wstring& installDir) {
  return installDir + L"Update.staging";
}

std::wstring BackupFolder(const std::wstring& installDir) {
  return installDir + L"Update.backup";
}

std::wstring JournalPath(const std::wstring& installDir) {
  return installDir + L"Update.journal";
}

SwapOutcome SwapIn(const SwapPlan& plan, const std::wstring& journalPath, FileOps& ops) {
  if (!ops.WriteDurably(journalPath, FormatJournal(plan))) {
    ops.RemoveFile(journalPath + L".tmp");
    RemoveTree(ops, plan.staging);
    return SwapOutcome::kRolledBack;
  }
  if (!MoveIn(plan, ops)) return RollBack(plan, journalPath, ops);
  SwapPlan committed = plan;
  committed.committed = true;
  // Without the commit on the disk the next start would undo the swap: better now.
  if (!ops.WriteDurably(journalPath, FormatJournal(committed))) {
    return RollBack(plan, journalPath, ops);
  }
  // The new install stands: what is not cleaned up now is at the next start.
  CleanUp(plan, journalPath, ops);
  return SwapOutcome::kDone;
}

bool RecoverInterruptedSwap(const std::wstring& installDir, FileOps& ops) {
  const std::wstring journal = JournalPath(installDir);
  const bool interrupted = PathExists(journal) || PathExists(StagingFolder(installDir)) ||
                           PathExists(BackupFolder(installDir));
  if (!interrupted) return true;
  // The package that was being unpacked goes too; the next update fetches it again.
  const std::wstring package = installDir + L"up.zip";
  if (PathExists(package)) ops.RemoveFile(package);
  if (PathExists(journal + L".tmp")) ops.RemoveFile(journal + L".tmp");  // never took effect
  if (!PathExists(journal)) {
    // A crash while the package was being staged: nothing was moved yet.
    const bool staging_gone = RemoveTree(ops, StagingFolder(installDir));
    return RemoveTree(ops, BackupFolder(installDir)) && staging_gone;
  }
  const std::optional<std::string> text = ReadWholeFile(journal);
  const std::optional<SwapPlan> plan = text ? ParseJournal(*text) : std::nullopt;
  if (!plan) {
    std::fprintf(stderr, "swap: the journal %ls cannot be read; it is left as it is\n",
                 journal.c_str());
    return false;
  }
  if (plan->committed) return CleanUp(*plan, journal, ops);
  return RollBack(*plan, journal, ops) == SwapOutcome::kRolledBack;
}

}  // namespace update
