// Zip archive reader: open an archive (file path, open file handle or memory block), list its
// items and extract them to files, handles or memory.
//
// Every operation returns an ArchiveResult and also stores it in lastArchiveResult. Item names
// are cleaned on the way out (drive prefixes, leading separators, parent steps) and extraction
// never writes outside the base folder. The archive is untrusted input: every field is checked.
//
// Strings are wide: UTF-16 on Windows (where the caller's paths are wide), UTF-32 elsewhere.
// A handle must be used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace update {

enum class ArchiveResult : uint32_t {
  Success = 0x00000000,
  MostRecent = 0x00000001,  // not a result: asks formatArchiveMessage for lastArchiveResult
  DuplicateHandleFailed = 0x00000100,
  OpenFileFailed = 0x00000200,
  OutOfMemory = 0x00000300,
  WriteFailed = 0x00000400,
  NotFound = 0x00000500,
  MoreData = 0x00000600,
  Corrupt = 0x00000700,
  ReadFailed = 0x00000800,
  PasswordRequired = 0x00001000,
  BadArguments = 0x00010000,
  NotMemoryArchive = 0x00020000,
  MemoryTooSmall = 0x00030000,
  PreviousError = 0x00040000,
  AlreadyEnded = 0x00050000,
  SizeMismatch = 0x00060000,
  PartiallyUnzipped = 0x00070000,
  WrongHandleKind = 0x00080000,
  NotInitialised = 0x01000000,
  NotSeekable = 0x02000000,
  CannotChangeMind = 0x04000000,
  InflateError = 0x05000000,
};

// The result of the last reader operation, process-wide, not synchronised.
extern ArchiveResult lastArchiveResult;

// Writes the fixed English message for `code` (1 = the last stored result) into `buffer`,
// truncated to capacity - 1 characters and always terminated when capacity > 0. Returns the
// length of the whole message.
size_t formatArchiveMessage(uint32_t code, wchar_t* buffer, size_t capacity);

// Windows file attribute bits as found in ArchiveEntry::attributes.
constexpr uint32_t kArchiveAttributeReadOnly = 0x01;
constexpr uint32_t kArchiveAttributeHidden = 0x02;
constexpr uint32_t kArchiveAttributeSystem = 0x04;
constexpr uint32_t kArchiveAttributeDirectory = 0x10;
constexpr uint32_t kArchiveAttributeArchive = 0x20;

// Same layout as Windows' FILETIME: 100 ns ticks since 1601-01-01 UTC.
struct ArchiveFileTime {
  uint32_t lowDateTime;
  uint32_t highDateTime;
};

constexpr size_t kArchiveMaxPath = 260;

struct ArchiveEntry {
  int32_t index;  // the number of items for the count query (index -1)
  wchar_t name[kArchiveMaxPath];
  uint32_t attributes;
  ArchiveFileTime accessTime;
  ArchiveFileTime creationTime;
  ArchiveFileTime writeTime;
  int32_t compressedSize;
  int32_t uncompressedSize;
};

#ifdef _WIN32
using NativeFileHandle = void*;  // a Win32 HANDLE
#else
using NativeFileHandle = int;  // a POSIX file descriptor
#endif

class ArchiveReader;

constexpr uint32_t kArchiveHandleReader = 1;
constexpr uint32_t kArchiveHandleWriter = 2;

// What the open operations return; owns its reader. Freed by closeArchive.
struct ArchiveHandle {
  uint32_t kind;
  ArchiveReader* reader;
};

// The open operations return null on failure (the reason is in lastArchiveResult). The password
// is a narrow byte string or null.
ArchiveHandle* openArchiveFile(const wchar_t* path, const char* password);
// Reads from the caller's seekable handle, whose current position is taken as the start of the
// archive. The handle is not closed by the reader.
ArchiveHandle* openArchiveHandle(NativeFileHandle file, const char* password);
// The buffer must stay valid until closeArchive.
ArchiveHandle* openArchiveMemory(const void* buffer, uint32_t length, const char* password);

// Index -1 asks for the count: entry->index receives the number of items.
ArchiveResult getArchiveEntry(ArchiveHandle* handle, int index, ArchiveEntry* entry);
// Compares the raw stored names; ignoreCase folds ASCII letters only. index and entry may be
// null.
ArchiveResult findArchiveEntry(ArchiveHandle* handle, const wchar_t* name, bool ignoreCase,
                               int* index, ArchiveEntry* entry);
// A relative path is placed below the base folder and may not leave it.
ArchiveResult extractEntryToFile(ArchiveHandle* handle, int index, const wchar_t* path);
ArchiveResult extractEntryToHandle(ArchiveHandle* handle, int index, NativeFileHandle file);
// Streams an item in pieces: call again with the same index while the result is MoreData.
ArchiveResult extractEntryToMemory(ArchiveHandle* handle, int index, void* buffer, uint32_t length);
ArchiveResult setExtractBaseFolder(ArchiveHandle* handle, const wchar_t* folder);
ArchiveResult closeArchive(ArchiveHandle* handle);
bool isReaderHandle(const ArchiveHandle* handle);

// Closes the archive when it goes out of scope.
struct ArchiveCloser {
  void operator()(ArchiveHandle* handle) const { closeArchive(handle); }
};
using UniqueArchive = std::unique_ptr<ArchiveHandle, ArchiveCloser>;

}  // namespace update
