#include "zip/package_directory.h"

#include <algorithm>

#include "common/text_convert.h"
#include "zip/byte_source.h"
#include "zip/central_directory.h"
#include "zip/entry_fields.h"
#include "zip/entry_path.h"

namespace update::zip {
namespace {

constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kLocalOffsetField = 42;
constexpr uint32_t kEndSignature = 0x06054B50;

void PutLittleEndian(std::string& out, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendLittleEndian(std::string& out, uint64_t value, int bytes) {
  out.append(static_cast<size_t>(bytes), '\0');
  PutLittleEndian(out, out.size() - bytes, value, bytes);
}

// The most a span may hold beyond the item's compressed data: its local header with a name and
// an extra field of the largest size, and a data descriptor.
constexpr uint64_t kLargestSpanOverhead = kLocalHeaderSize + 0xFFFF + 0xFFFF + 16;

// Each item's span reaches to the next local header; none may be shared, too short for the
// item's own header, name and data, or longer than such an item can be (an end record that
// places the directory further on would otherwise stretch the last span without bound).
bool SetSpans(std::vector<PackageItem>& items, const std::vector<uint64_t>& minimumEnds,
              const std::vector<uint64_t>& maximumEnds, uint64_t directoryOffset) {
  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&items](size_t a, size_t b) { return items[a].spanStart < items[b].spanStart; });
  for (size_t k = 0; k < order.size(); ++k) {
    PackageItem& item = items[order[k]];
    item.spanEnd = k + 1 < order.size() ? items[order[k + 1]].spanStart : directoryOffset;
    if (item.spanEnd <= item.spanStart || minimumEnds[order[k]] > item.spanEnd ||
        item.spanEnd > maximumEnds[order[k]]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<DirectoryPlace> FindDirectory(const std::string& tail, uint64_t tailOffset,
                                            uint64_t packageSize) {
  if (tailOffset + tail.size() != packageSize) return std::nullopt;
  const ByteSource source = ByteSource::FromMemoryTail(tail.data(), tailOffset, packageSize);
  const std::optional<EndRecord> end = FindEndRecord(source);
  if (!end || end->bias != 0) return std::nullopt;
  return DirectoryPlace{end->directoryOffset, end->directorySize, end->entryCount};
}

std::optional<std::vector<PackageItem>> ReadPackageItems(const std::string& directory,
                                                         const DirectoryPlace& place) {
  if (directory.size() != place.size) return std::nullopt;
  const uint64_t directoryEnd = place.offset + place.size;
  const ByteSource source =
      ByteSource::FromMemoryTail(directory.data(), place.offset, directoryEnd);
  EndRecord end;
  end.entryCount = place.entryCount;
  end.directorySize = place.size;
  end.directoryOffset = static_cast<uint32_t>(place.offset);
  CentralDirectory walk(source, end);
  std::vector<PackageItem> items(static_cast<size_t>(walk.count()));
  std::vector<uint64_t> minimumEnds(items.size()), maximumEnds(items.size());
  uint64_t recordsEnd = place.offset;
  for (int index = 0; index < walk.count(); ++index) {
    if (walk.GoTo(index) != ArchiveResult::Success) return std::nullopt;
    const CentralHeader& header = walk.current();
    const uint64_t at = walk.Save().offset;
    const uint64_t size =
        kCentralHeaderSize + header.nameLength + header.extraLength + header.commentLength;
    if (header.nameTooLong() || at != recordsEnd || at + size > directoryEnd) return std::nullopt;
    recordsEnd = at + size;
    PackageItem& item = items[static_cast<size_t>(index)];
    item.centralRecord = directory.substr(static_cast<size_t>(at - place.offset), size);
    const auto* extra = reinterpret_cast<const uint8_t*>(item.centralRecord.data()) +
                        kCentralHeaderSize + header.nameLength;
    item.digest = FindItemDigest(extra, header.extraLength);
    item.name = CleanEntryName(Utf8ToWide(header.name));
    item.folder = (MapAttributes(header.versionMadeBy, header.externalAttributes) &
                   kArchiveAttributeDirectory) != 0 ||
                  (!header.name.empty() && IsSeparator(static_cast<wchar_t>(header.name.back())));
    item.uncompressedSize = header.uncompressedSize;
    item.spanStart = header.localHeaderOffset;
    minimumEnds[static_cast<size_t>(index)] =
        item.spanStart + kLocalHeaderSize + header.nameLength + header.compressedSize;
    maximumEnds[static_cast<size_t>(index)] =
        item.spanStart + header.compressedSize + kLargestSpanOverhead;
  }
  // The records fill the directory exactly: the end record's item count, which no digest of the
  // directory covers, can neither hide items at its end nor invent some.
  if (recordsEnd != directoryEnd) return std::nullopt;
  if (!SetSpans(items, minimumEnds, maximumEnds, place.offset)) return std::nullopt;
  return items;
}

std::string DirectoryOfSpans(const std::vector<const PackageItem*>& items) {
  std::string directory;
  uint64_t offset = 0;
  for (const PackageItem* item : items) {
    std::string record = item->centralRecord;
    PutLittleEndian(record, kLocalOffsetField, offset, 4);
    directory += record;
    offset += item->spanSize();
  }
  const uint64_t directorySize = directory.size();
  AppendLittleEndian(directory, kEndSignature, 4);
  AppendLittleEndian(directory, 0, 4);  // this disk, the directory's disk
  AppendLittleEndian(directory, items.size(), 2);
  AppendLittleEndian(directory, items.size(), 2);
  AppendLittleEndian(directory, directorySize, 4);
  AppendLittleEndian(directory, offset, 4);
  AppendLittleEndian(directory, 0, 2);  // no comment
  return directory;
}

}  // namespace update::zip
