// The reader behind an ArchiveHandle: the open archive, the item open for memory extraction,
// the cached entry, the password and the extraction base folder.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "zip/archive.h"
#include "zip/byte_source.h"
#include "zip/central_directory.h"
#include "zip/item_stream.h"

namespace update {

class ArchiveReader {
 public:
  static constexpr size_t kExtractBufferSize = 16384;

  explicit ArchiveReader(const char* password);
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  ArchiveResult OpenFile(const wchar_t* path);
  ArchiveResult OpenHandle(NativeFileHandle file);
  ArchiveResult OpenMemory(const void* buffer, uint32_t length);

  ArchiveResult GetEntry(int index, ArchiveEntry& entry);
  ArchiveResult FindEntry(const wchar_t* name, bool ignoreCase, int* index, ArchiveEntry* entry);
  ArchiveResult ExtractToFile(int index, const wchar_t* path);
  ArchiveResult ExtractToHandle(int index, NativeFileHandle file);
  ArchiveResult ExtractToMemory(int index, void* buffer, uint32_t length);
  ArchiveResult SetBaseFolder(const wchar_t* folder);

 private:
  struct Target;

  ArchiveResult Open(zip::ByteSource source);
  bool IsOpen() const { return directory_ != nullptr; }
  void CloseItem();
  ArchiveResult OpenItem(int index, std::unique_ptr<zip::ItemStream>& stream);
  ArchiveResult ResolveTarget(const wchar_t* path, bool directory, Target& target) const;
  ArchiveResult Pump(zip::ItemStream& stream, NativeFileHandle out, const ArchiveEntry& entry);

  std::optional<std::string> password_;
  std::unique_ptr<zip::ByteSource> source_;
  std::unique_ptr<zip::CentralDirectory> directory_;
  std::unique_ptr<zip::ItemStream> item_;  // open for memory extraction
  int currentItem_ = -1;
  ArchiveEntry cached_{};
  int cachedIndex_ = -1;
  std::unique_ptr<uint8_t[]> extractBuffer_;
  std::wstring baseFolder_;  // ends with a separator; empty when the current folder did not fit
};

}  // namespace update
