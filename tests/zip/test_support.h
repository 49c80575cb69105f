// Scoped temporary folders, file helpers and the platform's own view of a file (handles,
// attributes, times) for the zip reader's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "zip/archive.h"

namespace update::testing {

namespace fs = std::filesystem;

// A fresh, uniquely named folder under the temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& path() const { return path_; }
  // The folder, or a UTF-8 path below it, as the reader's wide string.
  std::wstring Wide(const std::string& below = "") const;
  fs::path Below(const std::string& utf8) const { return path_ / fs::u8path(utf8); }

 private:
  fs::path path_;
};

std::wstring WidePath(const fs::path& path);
std::string ReadWholeFile(const fs::path& path);
void WriteWholeFile(const fs::path& path, const std::string& bytes);
// Every file and folder below `root`, as sorted UTF-8 paths with '/'; folders end in '/'.
std::vector<std::string> ListTree(const fs::path& root);

// An open file handle of the platform, closed on destruction.
class NativeFile {
 public:
  enum class Mode { Read, Write };
  NativeFile(const fs::path& path, Mode mode);
  ~NativeFile();
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;
  bool valid() const;
  NativeFileHandle get() const { return handle_; }
  void SeekTo(uint64_t offset);

 private:
  NativeFileHandle handle_;
};

// The read end of a pipe (a handle that cannot seek), both ends closed on destruction.
class PipeReadEnd {
 public:
  PipeReadEnd();
  ~PipeReadEnd();
  NativeFileHandle get() const { return read_; }

 private:
  NativeFileHandle read_;
  NativeFileHandle write_;
};

struct FileFacts {
  bool readOnly = false;
  bool hidden = false;  // Windows only
  bool system = false;  // Windows only
  uint64_t writeTime = 0;
  uint64_t accessTime = 0;
  uint64_t creationTime = 0;  // Windows only
};
FileFacts GetFileFacts(const fs::path& path);
// Whether this file system keeps a creation time that is set (Wine on a Linux file system does
// not).
bool KeepsCreationTimes(const fs::path& folder);

uint64_t Ticks(const ArchiveFileTime& time);
uint64_t UnixTicks(int64_t seconds);

}  // namespace update::testing
