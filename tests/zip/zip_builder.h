// Builds zip archives byte by byte for the reader's tests, so every field (and every fault) is
// under the test's control. Deflate comes from zlib; encryption is the traditional PKWARE one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace update::testing {

constexpr uint16_t kMadeByUnix = (3 << 8) | 30;
constexpr uint16_t kMadeByDos = (0 << 8) | 20;
constexpr uint16_t kMadeByNtfs = (11 << 8) | 20;
constexpr uint32_t kUnixFile = 0100644u << 16;
constexpr uint32_t kUnixReadOnlyFile = 0100444u << 16;
constexpr uint32_t kUnixFolder = (040755u << 16) | 0x10;

struct ZipItem {
  ZipItem(std::string itemName, std::string itemData, uint16_t itemMethod = 8,
          uint16_t madeBy = kMadeByUnix, uint32_t external = kUnixFile)
      : name(std::move(itemName)),
        data(std::move(itemData)),
        method(itemMethod),
        versionMadeBy(madeBy),
        externalAttributes(external) {}

  std::string name;
  std::string data;
  uint16_t method = 8;  // 0 stored, 8 deflated
  uint16_t versionMadeBy = kMadeByUnix;
  uint32_t externalAttributes = kUnixFile;
  uint16_t dosDate = (40 << 9) | (6 << 5) | 15;          // 2020-06-15
  uint16_t dosTime = (12 << 11) | (34 << 5) | (56 / 2);  // 12:34:56
  std::string localExtra;
  std::string centralExtra;
  std::string password;  // encrypted when not empty
  bool dataDescriptor = false;
};

// Where the pieces of each item ended up, for tests that damage them.
struct BuiltZip {
  std::string bytes;
  std::vector<size_t> localHeaders;
  std::vector<size_t> data;
  std::vector<size_t> centralHeaders;
  size_t endRecord = 0;
};

// Stored offsets count from the start of the archive, not of `prefix` (like an archive appended
// to another file).
BuiltZip BuildZip(const std::vector<ZipItem>& items, const std::string& prefix = "",
                  const std::string& comment = "");

std::string RawDeflate(const std::string& data);
// An extended-timestamp ("UT") extra block with the times whose flag bits are set.
std::string ExtendedTimestamp(uint8_t flags, int32_t write, int32_t access, int32_t creation);
std::string ExtraBlock(uint16_t id, const std::string& data);

void PutU16(std::string& out, size_t at, uint16_t value);
void PutU32(std::string& out, size_t at, uint32_t value);

}  // namespace update::testing
