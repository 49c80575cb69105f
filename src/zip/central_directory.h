// The archive's directory: the end record, the central headers walked one after another, and
// the local header in front of each item's data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "zip/archive.h"
#include "zip/byte_source.h"

namespace update::zip {

struct EndRecord {
  uint16_t entryCount = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  // Bytes in front of the archive (e.g. a stub it was appended to), added to every stored offset.
  uint64_t bias = 0;
};

// Scans backwards through the last 64 KiB for the end record; nothing when there is no valid one.
std::optional<EndRecord> FindEndRecord(const ByteSource& source);

struct CentralHeader {
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;
  std::string name;  // the stored bytes up to the first zero, at most kArchiveMaxPath of them

  bool nameTooLong() const { return nameLength >= kArchiveMaxPath; }
};

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// Where an item's pieces lie once its local header has been checked against the central one.
struct ItemLayout {
  uint64_t extraStart = 0;
  uint16_t extraLength = 0;
  uint64_t dataStart = 0;
};

// Nothing when the local header is corrupt, disagrees with the central header, uses a method
// other than stored or deflated, or the item's data runs past the end of the archive.
std::optional<ItemLayout> CheckLocalHeader(const ByteSource& source, const CentralHeader& header,
                                           uint64_t bias);

// Walks the central headers in order; there is no index, so going back restarts at the first.
class CentralDirectory {
 public:
  CentralDirectory(const ByteSource& source, const EndRecord& end) : source_(source), end_(end) {}

  int count() const { return end_.entryCount; }
  uint64_t bias() const { return end_.bias; }
  // Reads the header of item `index` (0 <= index < count). Corrupt when a header on the way
  // cannot be read; the next walk then starts again from the first item.
  ArchiveResult GoTo(int index);
  // The header GoTo last reached.
  const CentralHeader& current() const { return header_; }

  struct Position {
    int index = -1;
    uint64_t offset = 0;
    CentralHeader header;
  };
  Position Save() const { return {index_, offset_, header_}; }
  void Restore(const Position& position);

 private:
  bool ReadHeaderAt(uint64_t offset);

  const ByteSource& source_;
  EndRecord end_;
  int index_ = -1;  // -1: no valid header read
  uint64_t offset_ = 0;
  CentralHeader header_;
};

}  // namespace update::zip
