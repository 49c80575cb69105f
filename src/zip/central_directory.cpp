#include "zip/central_directory.h"

#include <algorithm>
#include <vector>

#include "zip/little_endian.h"

namespace update::zip {
namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr uint64_t kEndScanLimit = 0xFFFF;
constexpr size_t kScanStep = 1024;
constexpr size_t kScanWindow = kScanStep + 4;  // windows overlap by a signature's length

// Position of the end record's signature, the one nearest the end of the data.
std::optional<uint64_t> ScanForEndSignature(const ByteSource& source) {
  const uint64_t size = source.size();
  const uint64_t maxBack = std::min(kEndScanLimit, size);
  std::vector<uint8_t> window(kScanWindow);
  uint64_t back = 4;
  while (back < maxBack) {
    back = std::min<uint64_t>(back + kScanStep, maxBack);
    const uint64_t start = size - back;
    const size_t length = static_cast<size_t>(std::min<uint64_t>(kScanWindow, size - start));
    if (!source.ReadExact(start, window.data(), length)) return std::nullopt;
    for (size_t i = length - 3; i-- > 0;) {
      if (ReadU32(&window[i]) == kEndSignature) return start + i;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<EndRecord> FindEndRecord(const ByteSource& source) {
  const std::optional<uint64_t> position = ScanForEndSignature(source);
  if (!position) return std::nullopt;
  uint8_t record[kEndRecordSize];
  if (!source.ReadExact(*position, record, sizeof record)) return std::nullopt;
  const uint16_t thisDisk = ReadU16(record + 4);
  const uint16_t directoryDisk = ReadU16(record + 6);
  const uint16_t entriesOnDisk = ReadU16(record + 8);
  EndRecord end;
  end.entryCount = ReadU16(record + 10);
  end.directorySize = ReadU32(record + 12);
  end.directoryOffset = ReadU32(record + 16);
  if (thisDisk != 0 || directoryDisk != 0 || entriesOnDisk != end.entryCount) return std::nullopt;
  const uint64_t directoryEnd = uint64_t{end.directoryOffset} + end.directorySize;
  if (*position < directoryEnd) return std::nullopt;
  end.bias = *position - directoryEnd;
  return end;
}

std::optional<ItemLayout> CheckLocalHeader(const ByteSource& source, const CentralHeader& header,
                                           uint64_t bias) {
  const uint64_t position = uint64_t{header.localHeaderOffset} + bias;
  uint8_t local[kLocalHeaderSize];
  if (!source.ReadExact(position, local, sizeof local)) return std::nullopt;
  if (ReadU32(local) != kLocalSignature) return std::nullopt;
  const uint16_t flags = ReadU16(local + 6);
  const uint16_t method = ReadU16(local + 8);
  if (method != header.method) return std::nullopt;
  if (method != kMethodStored && method != kMethodDeflated) return std::nullopt;
  if (ReadU16(local + 26) != header.nameLength) return std::nullopt;
  if ((flags & kFlagDataDescriptor) == 0 &&
      (ReadU32(local + 14) != header.crc32 || ReadU32(local + 18) != header.compressedSize ||
       ReadU32(local + 22) != header.uncompressedSize)) {
    return std::nullopt;
  }
  ItemLayout layout;
  layout.extraStart = position + kLocalHeaderSize + header.nameLength;
  layout.extraLength = ReadU16(local + 28);
  layout.dataStart = layout.extraStart + layout.extraLength;
  if (layout.dataStart + header.compressedSize > source.size()) return std::nullopt;
  return layout;
}

ArchiveResult CentralDirectory::GoTo(int index) {
  if (index < 0 || index >= count()) return ArchiveResult::BadArguments;
  if (index_ < 0 || index < index_) {
    const uint64_t first = uint64_t{end_.directoryOffset} + end_.bias;
    index_ = -1;
    if (!ReadHeaderAt(first)) return ArchiveResult::Corrupt;
    index_ = 0;
    offset_ = first;
  }
  while (index_ < index) {
    const uint64_t next = offset_ + kCentralHeaderSize + header_.nameLength + header_.extraLength +
                          header_.commentLength;
    if (!ReadHeaderAt(next)) {
      index_ = -1;  // the walk cannot pass this header
      return ArchiveResult::Corrupt;
    }
    ++index_;
    offset_ = next;
  }
  return ArchiveResult::Success;
}

void CentralDirectory::Restore(const Position& position) {
  index_ = position.index;
  offset_ = position.offset;
  header_ = position.header;
}

bool CentralDirectory::ReadHeaderAt(uint64_t offset) {
  uint8_t raw[kCentralHeaderSize + kArchiveMaxPath];
  const std::optional<size_t> got = source_.Read(offset, raw, sizeof raw);
  if (!got || *got < kCentralHeaderSize || ReadU32(raw) != kCentralSignature) return false;
  CentralHeader header;
  header.versionMadeBy = ReadU16(raw + 4);
  header.versionNeeded = ReadU16(raw + 6);
  header.flags = ReadU16(raw + 8);
  header.method = ReadU16(raw + 10);
  header.dosTime = ReadU16(raw + 12);
  header.dosDate = ReadU16(raw + 14);
  header.crc32 = ReadU32(raw + 16);
  header.compressedSize = ReadU32(raw + 20);
  header.uncompressedSize = ReadU32(raw + 24);
  header.nameLength = ReadU16(raw + 28);
  header.extraLength = ReadU16(raw + 30);
  header.commentLength = ReadU16(raw + 32);
  header.externalAttributes = ReadU32(raw + 38);
  header.localHeaderOffset = ReadU32(raw + 42);
  const size_t nameBytes = std::min<size_t>(header.nameLength, kArchiveMaxPath);
  if (*got < kCentralHeaderSize + nameBytes) return false;
  const char* name = reinterpret_cast<const char*>(raw + kCentralHeaderSize);
  header.name.assign(name, std::find(name, name + nameBytes, '\0'));
  header_ = std::move(header);
  return true;
}

}  // namespace update::zip
