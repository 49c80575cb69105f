// The file system seam over Win32: wide paths, Windows attributes and all three file times.
#include <windows.h>

#include <algorithm>

#include "zip/file_system.h"

namespace update::zip {
namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kLargestIo = 1u << 30;

FILETIME ToFiletime(const ArchiveFileTime& time) {
  FILETIME out;
  out.dwLowDateTime = time.lowDateTime;
  out.dwHighDateTime = time.highDateTime;
  return out;
}

}  // namespace

void FileHandle::Close() {
  if (valid_ && owned_) CloseHandle(file_);
  valid_ = false;
}

std::optional<FileHandle> OpenFileForReading(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  return FileHandle(file, true);
}

std::optional<uint64_t> CurrentPosition(NativeFileHandle file) {
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT)) return std::nullopt;
  return static_cast<uint64_t>(position.QuadPart);
}

std::optional<uint64_t> FileSize(NativeFileHandle file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return std::nullopt;
  return static_cast<uint64_t>(size.QuadPart);
}

std::optional<size_t> ReadAt(NativeFileHandle file, uint64_t offset, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    const uint64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size - done, kLargestIo));
    DWORD got = 0;
    if (!ReadFile(file, static_cast<char*>(buffer) + done, wanted, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return std::nullopt;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::optional<FileHandle> CreateOutputFile(const std::wstring& path, uint32_t attributes) {
  DWORD flags = attributes & kSettableAttributes;
  if (flags == 0) flags = FILE_ATTRIBUTE_NORMAL;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  return FileHandle(file, true);
}

bool WriteAll(NativeFileHandle file, const void* data, size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, kLargestIo));
    DWORD written = 0;
    if (!WriteFile(file, next, chunk, &written, nullptr) || written == 0) return false;
    next += written;
    size -= written;
  }
  return true;
}

bool SetFileTimes(NativeFileHandle file, const ArchiveFileTime& creation,
                  const ArchiveFileTime& access, const ArchiveFileTime& write) {
  const FILETIME created = ToFiletime(creation);
  const FILETIME accessed = ToFiletime(access);
  const FILETIME written = ToFiletime(write);
  return SetFileTime(file, &created, &accessed, &written) != FALSE;
}

bool RemoveFile(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file cannot be deleted
  return DeleteFileW(path.c_str()) != FALSE;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CreateFolder(const std::wstring& path) {
  CreateDirectoryW(path.c_str(), nullptr);
}

std::wstring CurrentFolder() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring folder(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, folder.data());
  folder.resize(length < needed ? length : 0);
  return folder;
}

ArchiveFileTime LocalDosTimeToFileTime(uint16_t dosDate, uint16_t dosTime) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(1980 + (dosDate >> 9));
  local.wMonth = static_cast<WORD>((dosDate >> 5) & 0x0F);
  local.wDay = static_cast<WORD>(dosDate & 0x1F);
  local.wHour = static_cast<WORD>(dosTime >> 11);
  local.wMinute = static_cast<WORD>((dosTime >> 5) & 0x3F);
  local.wSecond = static_cast<WORD>(2 * (dosTime & 0x1F));
  FILETIME localTime{};
  FILETIME utc{};
  if (!SystemTimeToFileTime(&local, &localTime) || !LocalFileTimeToFileTime(&localTime, &utc)) {
    return {};
  }
  return {utc.dwLowDateTime, utc.dwHighDateTime};
}

}  // namespace update::zip
