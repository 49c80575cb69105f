// Where the archive's bytes come from: a file (opened by path or the caller's handle, starting at
// an offset) or a memory block. Offsets are relative to the start of the archive data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "zip/file_system.h"

namespace update::zip {

class ByteSource {
 public:
  static ByteSource FromMemory(const void* data, uint32_t size);
  // Only the bytes from `offset` on of an archive of `size` bytes, held in memory (`data`, to the
  // end): reading anything before them is a read error.
  static ByteSource FromMemoryTail(const void* data, uint64_t offset, uint64_t size);
  // `start` is where the archive begins in the file; `size` counts from there.
  static ByteSource FromFile(FileHandle file, uint64_t start, uint64_t size);

  uint64_t size() const { return size_; }
  // Reads up to `count` bytes, fewer at the end of the data; nothing on a read error.
  std::optional<size_t> Read(uint64_t offset, void* buffer, size_t count) const;
  // True only when all `count` bytes were read.
  bool ReadExact(uint64_t offset, void* buffer, size_t count) const;

 private:
  ByteSource() = default;

  const uint8_t* memory_ = nullptr;
  uint64_t memoryOffset_ = 0;  // the archive offset of memory_[0]
  FileHandle file_;
  uint64_t start_ = 0;
  uint64_t size_ = 0;
};

}  // namespace update::zip
