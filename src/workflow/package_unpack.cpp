#include "workflow/package_unpack.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <vector>

#include "workflow/installed_names.h"
#include "workflow/package_file.h"
#include "workflow/package_swap.h"
#include "zip/archive.h"
#include "zip/entry_path.h"

namespace update {
namespace {

// Room kept free beyond the extracted package, for the journal, the system and everyone else.
constexpr std::uint64_t kFreeSpaceMargin = 16ull * 1024 * 1024;

struct Item {
  int index;
  std::wstring name;  // cleaned, backslashes, relative to the install folder
  bool folder;
  std::uint64_t size;
  DWORD attributes;  // those a file is made with
};

// The attributes a package may give its files.
constexpr DWORD kItemAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

void ReportArchiveFailure(const char* what, int index, const std::wstring& name,
                          ArchiveResult result) {
  wchar_t message[256] = {};
  formatArchiveMessage(static_cast<uint32_t>(result), message, 256);
  std::fprintf(stderr, "unpack: %s %d (%ls) failed: %ls\n", what, index, name.c_str(), message);
}

bool ListItems(ArchiveHandle* archive, std::vector<Item>& items) {
  ArchiveEntry count{};
  if (getArchiveEntry(archive, -1, &count) != ArchiveResult::Success) return false;
  InstalledNames names;
  for (int index = 0; index < count.index; ++index) {
    ArchiveEntry entry{};
    const ArchiveResult result = getArchiveEntry(archive, index, &entry);
    if (result != ArchiveResult::Success) {
      ReportArchiveFailure("item", index, L"", result);
      return false;
    }
    const std::wstring name = InstalledName(entry.name);
    if (name.empty()) continue;  // the archive's root
    const bool folder = (entry.attributes & kArchiveAttributeDirectory) != 0;
    if (!zip::StaysInside(name)) {
      std::fprintf(stderr, "unpack: the package names %ls, outside the folder\n", name.c_str());
      return false;
    }
    if (!names.Add(name, folder)) {
      std::fprintf(stderr, "unpack: the package holds %ls twice, in another letter case\n",
                   name.c_str());
      return false;
    }
    const DWORD attributes = entry.attributes & kItemAttributes;
    items.push_back({index, name, folder, static_cast<std::uint32_t>(entry.uncompressedSize),
                     attributes ? attributes : FILE_ATTRIBUTE_NORMAL});
  }
  return true;
}

// Every item into the staging folder: each file made anew there and written through its
// handle, so that nothing planted in the staging folder is written through.
bool Stage(ArchiveHandle* archive, const std::vector<Item>& items, const std::wstring& staging,
           FileOps& ops) {
  for (const Item& item : items) {
    const std::wstring path = staging + L'\\' + item.name;
    if (!MakeFoldersOnTheWay(ops, staging, path) || (item.folder && !ops.MakeFolder(path))) {
      std::fprintf(stderr, "unpack: the folders of %ls cannot be made (error %lu)\n", path.c_str(),
                   GetLastError());
      return false;
    }
    if (item.folder) continue;
    FileHandle file = ops.CreateNewFile(path, item.attributes);
    if (!file) {
      std::fprintf(stderr, "unpack: %ls cannot be made (error %lu)\n", path.c_str(),
                   GetLastError());
      return false;
    }
    const ArchiveResult result = extractEntryToHandle(archive, item.index, file.get());
    file.Reset();
    if (result != ArchiveResult::Success) {
      ReportArchiveFailure("item", item.index, item.name, result);
      ops.RemoveFile(path);  // data that failed its check does not stay looking like the file
      return false;
    }
  }
  return true;
}

std::wstring Lowered(std::wstring path) {
  CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

// What the swap will do, in paths relative to the install folder: the install's folders the
// package adds, and for each of its files where it goes and where the file it replaces goes.
// False when a package file would take the place of a folder.
bool PlanSwap(const InstallJob& job, const std::vector<Item>& items, SwapPlan& plan) {
  const std::wstring staging = std::wstring(kStagingFolderName) + L'\\';
  const std::wstring backup = std::wstring(kBackupFolderName) + L'\\';
  std::set<std::wstring> planned;  // lowered: names differing in case are one file
  const std::wstring self = Lowered(job.selfPath);
  // The updater goes last: until then a crash leaves it where the next start looks for it.
  std::optional<SwapEntry> updater;
  for (const Item& item : items) {
    // Every level of the item's path that is missing, outermost first.
    for (size_t at = item.name.find(L'\\');; at = item.name.find(L'\\', at + 1)) {
      const bool whole = at == std::wstring::npos;
      if (whole && !item.folder) break;
      const std::wstring folder = item.name.substr(0, at);
      if (!IsFolder(job.installDir + folder) && planned.insert(Lowered(folder)).second) {
        plan.folders.push_back(folder);
      }
      if (whole) break;
    }
    if (item.folder) continue;
    const std::wstring target = job.installDir + item.name;
    if (!planned.insert(Lowered(item.name)).second) continue;
    SwapEntry entry{item.name, staging + item.name, std::wstring()};
    if (IsFolder(target)) {
      std::fprintf(stderr, "unpack: %ls is a folder in the install\n", target.c_str());
      return false;
    }
    if (Lowered(target) == self) {
      // The updater's own backup lies beside it: a start of the old one finds it there. A stale
      // one that could not be removed (a scanner holds it) is not this swap's: the backup then
      // goes with the others, so that a step back never takes that file for the updater.
      if (PathExists(target)) {
        entry.backup =
            PathExists(OldUpdaterPath(target)) ? backup + item.name : item.name + L"_old";
      }
      updater = entry;
      continue;
    }
    if (PathExists(target)) entry.backup = backup + item.name;
    plan.entries.push_back(entry);
  }
  if (updater) plan.entries.push_back(*updater);
  // The file the client starts to repair the install: the updater's name at the folder's top,
  // whether or not it is the program that runs.
  const std::wstring updater_name = self.substr(self.rfind(L'\\') + 1);
  for (size_t index = 0; index < plan.entries.size(); ++index) {
    if (Lowered(plan.entries[index].target) == updater_name) plan.updater = static_cast<int>(index);
  }
  return true;
}

// A file another program holds stops a move: Windows says so in these ways.
bool HeldByAnother(unsigned long error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_USER_MAPPED_FILE;
}

UnpackResult StageAndSwap(const InstallJob& job, ArchiveHandle* archive, FileOps& ops) {
  std::vector<Item> items;
  if (!ListItems(archive, items)) return {UnpackOutcome::kItemFailed};
  std::uint64_t needed = kFreeSpaceMargin;
  for (const Item& item : items) needed += item.size;
  const std::optional<std::uint64_t> free_space = ops.FreeSpace(job.installDir);
  if (free_space && *free_space < needed) {
    std::fprintf(stderr, "unpack: %llu bytes free, the package needs %llu\n",
                 static_cast<unsigned long long>(*free_space),
                 static_cast<unsigned long long>(needed));
    UnpackResult result{UnpackOutcome::kNoSpace};
    result.bytesShort = needed - *free_space;
    return result;
  }
  const std::wstring staging = StagingFolder(job.installDir);
  RemoveTree(ops, staging);
  if (IsLink(staging)) {  // one that could not be removed: the package would go where it points
    std::fprintf(stderr, "unpack: %ls is a link that cannot be removed\n", staging.c_str());
    return {UnpackOutcome::kItemFailed};
  }
  // A stale "_old" of an earlier update would stand in the way of the updater's backup.
  const std::wstring old_updater = OldUpdaterPath(job.selfPath);
  if (PathExists(old_updater)) ops.RemoveFile(old_updater);
  SwapPlan plan;
  if (!ops.MakeFolder(staging) || !Stage(archive, items, staging, ops) ||
      !PlanSwap(job, items, plan)) {
    UnpackResult result{UnpackOutcome::kItemFailed};
    result.error = GetLastError();
    if (result.error == ERROR_DISK_FULL || result.error == ERROR_HANDLE_DISK_FULL) {
      result.outcome = UnpackOutcome::kNoSpace;
    }
    RemoveTree(ops, staging);
    return result;
  }
  SwapFault fault;
  UnpackResult result{UnpackOutcome::kItemFailed};
  switch (SwapIn(plan, job.installDir, ops, &fault)) {
    case SwapOutcome::kDone:
      return {UnpackOutcome::kDone};
    case SwapOutcome::kRolledBack:
      break;
    case SwapOutcome::kStuck:
      result.outcome = UnpackOutcome::kStuck;
      break;
  }
  result.error = fault.error;
  if (HeldByAnother(fault.error)) result.heldFile = fault.path;
  return result;
}

}  // namespace

std::wstring OldUpdaterPath(const std::wstring& selfPath) {
  return selfPath + L"_old";
}

UnpackResult UnpackPackage(const InstallJob& job, FileHandle package, FileOps& ops) {
  UnpackResult outcome{UnpackOutcome::kNoPackage};
  const LARGE_INTEGER start = {};
  if (SetFilePointerEx(package.get(), start, nullptr, FILE_BEGIN)) {
    const UniqueArchive archive(openArchiveHandle(package.get(), nullptr));
    if (archive) outcome = StageAndSwap(job, archive.get(), ops);
  }
  // Gone before the caller goes on: a folder this run made can then be removed.
  DeleteHeldPackage(package.get());
  package.Reset();
  return outcome;
}

}  // namespace update
