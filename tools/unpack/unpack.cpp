// unpack ARCHIVE DEST: unpacks an archive straight into DEST with the zip reader (count query,
// then every index in order, each under its own cleaned name, a failing item not stopping the
// rest). Prints "index name code" per item; exits 1 if any item failed, 2 if the archive could
// not be opened.
// unpack --staged FOLDER (Windows): the installer's own unpack step on FOLDER\up.zip (staged
// whole, then swapped in under the journal); exits 0 when every file is in place, 1 otherwise.
#include <cstdio>
#include <string>

#include "common/text_convert.h"
#include "zip/archive.h"
#ifdef _WIN32
#include "workflow/package_file.h"
#include "workflow/package_unpack.h"
#endif

namespace {

using namespace update;

std::string Message(ArchiveResult code) {
  wchar_t text[128];
  formatArchiveMessage(static_cast<uint32_t>(code), text, std::size(text));
  return WideToUtf8(text);
}

int Unpack(const std::wstring& archivePath, const std::wstring& destination) {
  UniqueArchive archive(openArchiveFile(archivePath.c_str(), nullptr));
  if (!archive) {
    std::fprintf(stderr, "unpack: cannot open %s: %s (0x%08X)\n", WideToUtf8(archivePath).c_str(),
                 Message(lastArchiveResult).c_str(), static_cast<unsigned>(lastArchiveResult));
    return 2;
  }
  const ArchiveResult based = setExtractBaseFolder(archive.get(), destination.c_str());
  if (based != ArchiveResult::Success) {
    std::fprintf(stderr, "unpack: cannot use %s: %s\n", WideToUtf8(destination).c_str(),
                 Message(based).c_str());
    return 2;
  }
  ArchiveEntry entry{};
  getArchiveEntry(archive.get(), -1, &entry);
  const int count = entry.index;
  bool anyFailed = false;
  for (int i = 0; i < count; ++i) {
    getArchiveEntry(archive.get(), i, &entry);
    const ArchiveResult result = extractEntryToFile(archive.get(), i, entry.name);
    anyFailed |= result != ArchiveResult::Success;
    std::printf("%d %s 0x%08X\n", i, WideToUtf8(entry.name).c_str(), static_cast<unsigned>(result));
  }
  return anyFailed ? 1 : 0;
}

int Usage() {
  std::fprintf(stderr, "usage: unpack ARCHIVE DEST\n       unpack --staged FOLDER (Windows)\n");
  return 2;
}

#ifdef _WIN32
int UnpackStaged(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  InstallJob job;
  job.installDir = folder;
  job.selfPath = folder + L"Update.exe";
  const UnpackResult result =
      UnpackPackage(job, OpenHeldPackage(PackagePath(job)), *FileOpsConfinedTo(folder));
  return result.outcome == UnpackOutcome::kDone ? 0 : 1;
}
#endif

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return Usage();
  if (std::wstring(argv[1]) == L"--staged") return UnpackStaged(argv[2]);
  return Unpack(argv[1], argv[2]);
}
#else
int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  return Unpack(Utf8ToWide(argv[1]), Utf8ToWide(argv[2]));
}
#endif
