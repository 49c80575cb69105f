#include "zip/byte_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace update::zip {

ByteSource ByteSource::FromMemory(const void* data, uint32_t size) {
  ByteSource source;
  source.memory_ = static_cast<const uint8_t*>(data);
  source.size_ = size;
  return source;
}

ByteSource ByteSource::FromMemoryTail(const void* data, uint64_t offset, uint64_t size) {
  ByteSource source;
  source.memory_ = static_cast<const uint8_t*>(data);
  source.memoryOffset_ = offset;
  source.size_ = size;
  return source;
}

ByteSource ByteSource::FromFile(FileHandle file, uint64_t start, uint64_t size) {
  ByteSource source;
  source.file_ = std::move(file);
  source.start_ = start;
  source.size_ = size;
  return source;
}

std::optional<size_t> ByteSource::Read(uint64_t offset, void* buffer, size_t count) const {
  if (offset >= size_) return size_t{0};
  const size_t clipped = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
  if (clipped == 0) return size_t{0};
  if (memory_ != nullptr) {
    if (offset < memoryOffset_) return std::nullopt;
    std::memcpy(buffer, memory_ + (offset - memoryOffset_), clipped);
    return clipped;
  }
  return ReadAt(file_.get(), start_ + offset, buffer, clipped);
}

bool ByteSource::ReadExact(uint64_t offset, void* buffer, size_t count) const {
  const std::optional<size_t> got = Read(offset, buffer, count);
  return got && *got == count;
}

}  // namespace update::zip
