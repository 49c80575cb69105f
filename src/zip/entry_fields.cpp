#include "zip/entry_fields.h"

#include "zip/little_endian.h"

namespace update::zip {
namespace {

constexpr uint16_t kExtendedTimestampId = 0x5455;  // "UT"
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr int64_t kTicksPerSecond = 10000000;

// Hosts whose archives keep DOS attributes in the low byte: MS-DOS, VM/CMS, NTFS, VFAT.
bool UsesDosAttributes(uint8_t host) {
  return host == 0 || host == 7 || host == 11 || host == 14;
}

}  // namespace

uint32_t MapAttributes(uint16_t versionMadeBy, uint32_t externalAttributes) {
  bool readOnly = (externalAttributes & 0x00800000) == 0;  // Unix owner-write bit clear
  bool hidden = false;
  bool system = false;
  bool directory = (externalAttributes & 0x40000000) != 0;
  bool archive = true;
  if (UsesDosAttributes(static_cast<uint8_t>(versionMadeBy >> 8))) {
    readOnly = (externalAttributes & 0x01) != 0;
    hidden = (externalAttributes & 0x02) != 0;
    system = (externalAttributes & 0x04) != 0;
    directory = (externalAttributes & 0x10) != 0;
    archive = (externalAttributes & 0x20) != 0;
  }
  uint32_t attributes = 0;
  if (directory) attributes |= kArchiveAttributeDirectory;
  if (archive) attributes |= kArchiveAttributeArchive;
  if (hidden) attributes |= kArchiveAttributeHidden;
  if (readOnly) attributes |= kArchiveAttributeReadOnly;
  if (system) attributes |= kArchiveAttributeSystem;
  return attributes;
}

ArchiveFileTime UnixTimeToFileTime(int32_t seconds) {
  const uint64_t ticks = static_cast<uint64_t>(seconds * kTicksPerSecond) + kUnixEpochTicks;
  return {static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}

void ApplyExtendedTimestamps(const uint8_t* extra, size_t size, ArchiveEntry& entry) {
  size_t at = 0;
  while (size - at >= 4) {
    const uint16_t id = ReadU16(extra + at);
    const size_t length = ReadU16(extra + at + 2);
    const size_t dataStart = at + 4;
    if (id == kExtendedTimestampId) {
      // Fields beyond the block or the extra field are left alone.
      const size_t end = dataStart + length < size ? dataStart + length : size;
      size_t field = dataStart;
      if (field >= end) return;
      const uint8_t flags = extra[field++];
      ArchiveFileTime* const targets[] = {&entry.writeTime, &entry.accessTime, &entry.creationTime};
      for (int bit = 0; bit < 3; ++bit) {
        if ((flags & (1 << bit)) == 0) continue;
        if (end - field < 4) return;
        *targets[bit] = UnixTimeToFileTime(static_cast<int32_t>(ReadU32(extra + field)));
        field += 4;
      }
      return;
    }
    if (length > size - dataStart) return;
    at = dataStart + length;
  }
}

}  // namespace update::zip
