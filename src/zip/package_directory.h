// A package's directory read from the package's last bytes alone, so that an update can tell
// which items it needs before it fetches any of them; and the directory of a smaller package
// made of some of those items, each copied whole from its local header to the next. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zip/item_digest.h"

namespace update::zip {

// How many of a package's last bytes always hold its end record (its comment may take 64 KiB).
constexpr uint64_t kEndRecordReach = 22 + 0xFFFF;

struct DirectoryPlace {
  uint64_t offset = 0;
  uint32_t size = 0;
  uint16_t entryCount = 0;
};

// Where the central directory lies, read from `tail`: the package's bytes from `tailOffset` to
// its end (`packageSize`). Nothing when the end record is not among them, or the package has
// bytes in front of it.
std::optional<DirectoryPlace> FindDirectory(const std::string& tail, uint64_t tailOffset,
                                            uint64_t packageSize);

struct PackageItem {
  std::wstring name;  // cleaned as extraction cleans it
  bool folder = false;
  uint32_t uncompressedSize = 0;
  uint64_t spanStart = 0;  // its local header
  uint64_t spanEnd = 0;    // where the next item's local header, or the directory, begins
  std::optional<ItemDigest> digest;
  std::string centralRecord;  // its central header with name, extra field and comment

  uint64_t spanSize() const { return spanEnd - spanStart; }
};

// Every item, in directory order, from the directory's bytes (`directory`, all `place.size` of
// them). Nothing when a header is corrupt, a name too long, the records do not fill the
// directory exactly as many as the end record counts, two items share their bytes, an item's
// data would run past its span, or a span holds more than its item can.
std::optional<std::vector<PackageItem>> ReadPackageItems(const std::string& directory,
                                                         const DirectoryPlace& place);

// The central directory and end record of a package made of `items`' spans laid one after the
// other from its first byte, in this order.
std::string DirectoryOfSpans(const std::vector<const PackageItem*>& items);

}  // namespace update::zip
