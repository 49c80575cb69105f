#include "zip/entry_fields.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "zip_builder.h"

namespace update::zip {
namespace {

using update::testing::ExtendedTimestamp;
using update::testing::ExtraBlock;
using update::testing::Ticks;
using update::testing::UnixTicks;

constexpr uint32_t R = kArchiveAttributeReadOnly;
constexpr uint32_t H = kArchiveAttributeHidden;
constexpr uint32_t S = kArchiveAttributeSystem;
constexpr uint32_t D = kArchiveAttributeDirectory;
constexpr uint32_t A = kArchiveAttributeArchive;

TEST(EntryFieldsTest, MapsAttributesByHostSystem) {
  const struct {
    uint8_t host;
    uint32_t external;
    uint32_t expected;
  } cases[] = {
      {3, 0100644u << 16, A},              // Unix file, owner may write
      {3, 0100444u << 16, A | R},          // Unix file, no owner write
      {3, (040755u << 16) | 0x10, D | A},  // Unix folder
      {3, 0x00000007, A | R},              // DOS bits ignored on Unix
      {0, 0x00000000, 0},                  // MS-DOS
      {0, 0x00000021, R | A},
      {0, 0x00000006, H | S},
      {0, 0x00000010, D},
      {7, 0x00000001, R},           // VM/CMS
      {11, 0x00000022, H | A},      // NTFS
      {14, 0x00000030, D | A},      // VFAT
      {11, 0x00800000, 0},          // Unix bits ignored on NTFS
      {19, 0x40000000, D | A | R},  // any other host reads the Unix half
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(MapAttributes(static_cast<uint16_t>((cases[i].host << 8) | 20), cases[i].external),
              cases[i].expected);
  }
}

TEST(EntryFieldsTest, ConvertsUnixTimes) {
  EXPECT_EQ(Ticks(UnixTimeToFileTime(0)), 116444736000000000ull);
  EXPECT_EQ(Ticks(UnixTimeToFileTime(1600000000)), 116444736000000000ull + 16000000000000000ull);
  EXPECT_EQ(Ticks(UnixTimeToFileTime(-86400)), 116444736000000000ull - 864000000000ull);
}

TEST(EntryFieldsTest, ReadsTheFirstExtendedTimestampBlock) {
  constexpr uint64_t kUnset = 7;
  const struct {
    std::string extra;
    uint64_t write, access, creation;
  } cases[] = {
      {ExtendedTimestamp(7, 1000, 2000, 3000), UnixTicks(1000), UnixTicks(2000), UnixTicks(3000)},
      {ExtendedTimestamp(1, 1000, 0, 0), UnixTicks(1000), kUnset, kUnset},
      {ExtendedTimestamp(2, 0, 2000, 0), kUnset, UnixTicks(2000), kUnset},
      {ExtendedTimestamp(5, 1000, 0, 3000), UnixTicks(1000), kUnset, UnixTicks(3000)},
      {ExtendedTimestamp(0, 0, 0, 0), kUnset, kUnset, kUnset},
      // Other blocks before it are skipped; only the first "UT" block counts.
      {ExtraBlock(0x7875, "\x01\x04\xE8\x03\x00\x00") + ExtendedTimestamp(1, 1000, 0, 0) +
           ExtendedTimestamp(1, 5000, 0, 0),
       UnixTicks(1000), kUnset, kUnset},
      // The flags promise three times, the block holds one (a central-directory style block).
      {ExtraBlock(0x5455, std::string("\x07\xE8\x03\x00\x00", 5)), UnixTicks(1000), kUnset, kUnset},
      // A block that claims more than the field holds ends the walk.
      {ExtraBlock(0x000A, "xx").substr(0, 3), kUnset, kUnset, kUnset},
      {std::string("\x55\x54\x40\x00\x01", 5), kUnset, kUnset, kUnset},
      {"", kUnset, kUnset, kUnset},
      {std::string("\x55\x54\x05\x00", 4), kUnset, kUnset, kUnset},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    ArchiveEntry entry{};
    entry.writeTime = entry.accessTime = entry.creationTime = {static_cast<uint32_t>(kUnset), 0};
    ApplyExtendedTimestamps(reinterpret_cast<const uint8_t*>(cases[i].extra.data()),
                            cases[i].extra.size(), entry);
    EXPECT_EQ(Ticks(entry.writeTime), cases[i].write);
    EXPECT_EQ(Ticks(entry.accessTime), cases[i].access);
    EXPECT_EQ(Ticks(entry.creationTime), cases[i].creation);
  }
}

}  // namespace
}  // namespace update::zip
