#include "workflow/package_unpack.h"

#include <windows.h>

#include <cstdio>

#include "zip/archive.h"

namespace update {
namespace {

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Extracts every item; the first one that fails ends the unpack.
bool ExtractAll(ArchiveHandle* archive, const std::wstring& folder) {
  if (setExtractBaseFolder(archive, folder.c_str()) != ArchiveResult::Success) return false;
  ArchiveEntry count{};
  if (getArchiveEntry(archive, -1, &count) != ArchiveResult::Success) return false;
  for (int index = 0; index < count.index; ++index) {
    ArchiveEntry entry{};
    ArchiveResult result = getArchiveEntry(archive, index, &entry);
    if (result == ArchiveResult::Success) result = extractEntryToFile(archive, index, entry.name);
    if (result != ArchiveResult::Success) {
      wchar_t message[256] = {};
      formatArchiveMessage(static_cast<uint32_t>(result), message, 256);
      std::fprintf(stderr, "unpack: item %d (%ls) failed: %ls\n", index, entry.name, message);
      return false;
    }
  }
  return true;
}

}  // namespace

std::wstring OldUpdaterPath(const std::wstring& selfPath) {
  return selfPath + L"_old";
}

bool RenameSelfToOld(const std::wstring& selfPath) {
  const std::wstring old_path = OldUpdaterPath(selfPath);
  // A stale "_old" left by an earlier update would make the move fail, and the new updater could
  // then never be written over the running one.
  DeleteFileW(old_path.c_str());
  return MoveFileExW(selfPath.c_str(), old_path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

UnpackOutcome UnpackPackage(const InstallJob& job) {
  const std::wstring package = PackagePath(job);
  UnpackOutcome outcome = UnpackOutcome::kDone;
  {
    const UniqueArchive archive(openArchiveFile(package.c_str(), nullptr));
    if (!archive) {
      outcome = UnpackOutcome::kNoPackage;
    } else {
      const bool moved_aside = job.updateMode && RenameSelfToOld(job.selfPath);
      if (!ExtractAll(archive.get(), job.installDir)) {
        outcome = UnpackOutcome::kItemFailed;
        // An updater must stay behind, or the client can never update again.
        if (moved_aside && !Exists(job.selfPath)) {
          MoveFileExW(OldUpdaterPath(job.selfPath).c_str(), job.selfPath.c_str(), 0);
        }
      }
    }
  }
  DeleteFileW(package.c_str());
  return outcome;
}

}  // namespace update
