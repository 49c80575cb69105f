// The reader's C-style interface: handle checks, the last-result variable, and a funnel that
// keeps every exception (only allocation can throw) inside.
#include <new>

#include "zip/archive.h"
#include "zip/archive_reader.h"

namespace update {
namespace {

ArchiveResult Store(ArchiveResult result) {
  lastArchiveResult = result;
  return result;
}

ArchiveResult CheckReaderHandle(const ArchiveHandle* handle) {
  if (handle == nullptr) return ArchiveResult::BadArguments;
  if (handle->kind != kArchiveHandleReader) return ArchiveResult::WrongHandleKind;
  if (handle->reader == nullptr) return ArchiveResult::BadArguments;
  return ArchiveResult::Success;
}

template <typename Operation>
ArchiveResult Guarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return ArchiveResult::OutOfMemory;
  } catch (...) {
    return ArchiveResult::InflateError;
  }
}

// Runs `operation` on the handle's reader and stores its result.
template <typename Operation>
ArchiveResult WithReader(ArchiveHandle* handle, Operation&& operation) {
  const ArchiveResult checked = CheckReaderHandle(handle);
  if (checked != ArchiveResult::Success) return Store(checked);
  return Store(Guarded([&] { return operation(*handle->reader); }));
}

template <typename OpenStep>
ArchiveHandle* Open(const char* password, OpenStep&& openStep) {
  ArchiveHandle* opened = nullptr;
  Store(Guarded([&] {
    auto handle = std::make_unique<ArchiveHandle>(ArchiveHandle{kArchiveHandleReader, nullptr});
    auto reader = std::make_unique<ArchiveReader>(password);
    const ArchiveResult result = openStep(*reader);
    if (result != ArchiveResult::Success) return result;
    handle->reader = reader.release();
    opened = handle.release();
    return result;
  }));
  return opened;
}

}  // namespace

ArchiveHandle* openArchiveFile(const wchar_t* path, const char* password) {
  return Open(password, [&](ArchiveReader& reader) { return reader.OpenFile(path); });
}

ArchiveHandle* openArchiveHandle(NativeFileHandle file, const char* password) {
  return Open(password, [&](ArchiveReader& reader) { return reader.OpenHandle(file); });
}

ArchiveHandle* openArchiveMemory(const void* buffer, uint32_t length, const char* password) {
  return Open(password, [&](ArchiveReader& reader) { return reader.OpenMemory(buffer, length); });
}

ArchiveResult getArchiveEntry(ArchiveHandle* handle, int index, ArchiveEntry* entry) {
  if (entry != nullptr) {
    entry->index = 0;
    entry->name[0] = L'\0';
    entry->uncompressedSize = 0;
  }
  return WithReader(handle, [&](ArchiveReader& reader) {
    return entry != nullptr ? reader.GetEntry(index, *entry) : ArchiveResult::BadArguments;
  });
}

ArchiveResult findArchiveEntry(ArchiveHandle* handle, const wchar_t* name, bool ignoreCase,
                               int* index, ArchiveEntry* entry) {
  return WithReader(handle, [&](ArchiveReader& reader) {
    return reader.FindEntry(name, ignoreCase, index, entry);
  });
}

ArchiveResult extractEntryToFile(ArchiveHandle* handle, int index, const wchar_t* path) {
  return WithReader(handle,
                    [&](ArchiveReader& reader) { return reader.ExtractToFile(index, path); });
}

ArchiveResult extractEntryToHandle(ArchiveHandle* handle, int index, NativeFileHandle file) {
  return WithReader(handle,
                    [&](ArchiveReader& reader) { return reader.ExtractToHandle(index, file); });
}

ArchiveResult extractEntryToMemory(ArchiveHandle* handle, int index, void* buffer,
                                   uint32_t length) {
  return WithReader(
      handle, [&](ArchiveReader& reader) { return reader.ExtractToMemory(index, buffer, length); });
}

ArchiveResult setExtractBaseFolder(ArchiveHandle* handle, const wchar_t* folder) {
  return WithReader(handle, [&](ArchiveReader& reader) { return reader.SetBaseFolder(folder); });
}

ArchiveResult closeArchive(ArchiveHandle* handle) {
  // No writer is ever created here, so a handle of any other kind was not made by this reader
  // and is left alone.
  const ArchiveResult checked = CheckReaderHandle(handle);
  if (checked != ArchiveResult::Success) return Store(checked);
  std::unique_ptr<ArchiveHandle> owned(handle);
  std::unique_ptr<ArchiveReader> reader(owned->reader);
  return Store(ArchiveResult::Success);
}

bool isReaderHandle(const ArchiveHandle* handle) {
  return handle != nullptr && handle->kind == kArchiveHandleReader;
}

}  // namespace update
