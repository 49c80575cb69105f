// The zip reader's only contact with the file system: Win32 on Windows, POSIX elsewhere. Paths
// are wide; both '\' and '/' separate folders on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "zip/archive.h"

namespace update::zip {

// An open file that closes itself; `owned` is false for a caller's handle.
class FileHandle {
 public:
  FileHandle() = default;
  FileHandle(NativeFileHandle file, bool owned) : file_(file), owned_(owned), valid_(true) {}
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }

  bool valid() const { return valid_; }
  NativeFileHandle get() const { return file_; }
  void Close();

 private:
  NativeFileHandle file_{};
  bool owned_ = false;
  bool valid_ = false;
};

// Opens an existing file for reading, shared with other readers.
std::optional<FileHandle> OpenFileForReading(const std::wstring& path);
// The handle's current position, or nothing when it cannot seek.
std::optional<uint64_t> CurrentPosition(NativeFileHandle file);
std::optional<uint64_t> FileSize(NativeFileHandle file);
// Reads up to `size` bytes at `offset`; returns the count read (short at the end of the file),
// or nothing on a read error.
std::optional<size_t> ReadAt(NativeFileHandle file, uint64_t offset, void* buffer, size_t size);

// Creates (or truncates) a file for writing, not shared, with the given attribute bits.
std::optional<FileHandle> CreateOutputFile(const std::wstring& path, uint32_t attributes);
bool WriteAll(NativeFileHandle file, const void* data, size_t size);
// Creation time is kept where the platform has one.
bool SetFileTimes(NativeFileHandle file, const ArchiveFileTime& creation,
                  const ArchiveFileTime& access, const ArchiveFileTime& write);
// Removes a file, read-only or not.
bool RemoveFile(const std::wstring& path);

bool PathExists(const std::wstring& path);
// One level; failures are left to show up when the file inside is created.
void CreateFolder(const std::wstring& path);
std::wstring CurrentFolder();

// A DOS date and time (local time) as UTC ticks; zero for a stamp that names no real time.
ArchiveFileTime LocalDosTimeToFileTime(uint16_t dosDate, uint16_t dosTime);

}  // namespace update::zip
