// The package directory as an update reads it from the package's tail, and the smaller package
// made of some of its items: read back by the reader itself.
#include "zip/package_directory.h"

#include <gtest/gtest.h>

#include <functional>

#include "zip/archive.h"
#include "zip_builder.h"

namespace update::testing {
namespace {

using zip::ItemDigest;
using zip::PackageItem;

ItemDigest DigestOf(uint64_t size, uint8_t fill) {
  ItemDigest digest;
  digest.size = size;
  digest.sha256.fill(fill);
  return digest;
}

std::vector<ZipItem> DigestedItems() {
  std::vector<ZipItem> items = {{"bin/", "", 0, kMadeByUnix, kUnixFolder},
                                {"bin/tool.dll", std::string(5000, 't')},
                                {"readme.txt", "read me"},
                                {u8"资料/说明.txt", std::string(300, 'z'), 0}};
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].centralExtra =
        ExtendedTimestamp(1, 1600000000, 0, 0) +
        zip::ItemDigestBlock(DigestOf(items[i].data.size(), static_cast<uint8_t>(i + 1)));
  }
  return items;
}

// The items as an update reads them: the end record from the package's last bytes, then the
// directory it points to.
std::optional<std::vector<PackageItem>> ReadItems(const std::string& package) {
  const size_t reach = std::min<size_t>(zip::kEndRecordReach, package.size());
  const std::optional<zip::DirectoryPlace> place = zip::FindDirectory(
      package.substr(package.size() - reach), package.size() - reach, package.size());
  if (!place) return std::nullopt;
  return zip::ReadPackageItems(package.substr(place->offset, place->size), *place);
}

TEST(PackageDirectoryTest, ItemsSpansAndDigestsComeFromTheTailAlone) {
  const std::vector<ZipItem> source = DigestedItems();
  const BuiltZip built = BuildZip(source, "", std::string(65000, 'c'));
  const std::optional<std::vector<PackageItem>> items = ReadItems(built.bytes);
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 4u);
  const std::vector<std::wstring> names = {L"bin/", L"bin/tool.dll", L"readme.txt",
                                           L"资料/说明.txt"};
  for (size_t i = 0; i < items->size(); ++i) {
    const PackageItem& item = (*items)[i];
    EXPECT_EQ(item.name, names[i]);
    EXPECT_EQ(item.folder, i == 0);
    EXPECT_EQ(item.spanStart, built.localHeaders[i]);
    EXPECT_EQ(item.spanEnd,
              i + 1 < items->size() ? built.localHeaders[i + 1] : built.centralHeaders[0]);
    EXPECT_EQ(item.digest, DigestOf(source[i].data.size(), static_cast<uint8_t>(i + 1)));
  }
}

// A directory larger than the end record's reach is found first and read second.
TEST(PackageDirectoryTest, ALargeDirectoryIsFoundFirstAndReadSecond) {
  std::vector<ZipItem> many;
  for (int i = 0; i < 600; ++i) {
    many.emplace_back("folder/item-" + std::to_string(i) + std::string(80, 'n'), "");
  }
  const BuiltZip built = BuildZip(many);
  const size_t reach = zip::kEndRecordReach;
  ASSERT_GT(built.bytes.size() - built.centralHeaders[0], reach);
  const std::optional<zip::DirectoryPlace> place =
      zip::FindDirectory(built.bytes.substr(built.bytes.size() - reach), built.bytes.size() - reach,
                         built.bytes.size());
  ASSERT_TRUE(place);
  EXPECT_EQ(place->offset, built.centralHeaders[0]);
  EXPECT_EQ(place->size, built.endRecord - built.centralHeaders[0]);
  EXPECT_FALSE(zip::ReadPackageItems(built.bytes.substr(place->offset, place->size - 1), *place))
      << "a directory cut short";
  const std::optional<std::vector<PackageItem>> items = ReadItems(built.bytes);
  ASSERT_TRUE(items);
  EXPECT_EQ(items->size(), many.size());
  EXPECT_FALSE(items->back().digest);
}

// A package made of items 1 and 3 only is one the reader opens and extracts byte for byte.
TEST(PackageDirectoryTest, SomeItemsMakeAWholePackage) {
  const std::vector<ZipItem> source = DigestedItems();
  const BuiltZip built = BuildZip(source);
  const std::optional<std::vector<PackageItem>> items = ReadItems(built.bytes);
  ASSERT_TRUE(items);
  const std::vector<const PackageItem*> chosen = {&(*items)[3], &(*items)[1]};
  std::string compact;
  for (const PackageItem* item : chosen) {
    compact += built.bytes.substr(item->spanStart, item->spanSize());
  }
  compact += zip::DirectoryOfSpans(chosen);
  const UniqueArchive archive(openArchiveMemory(compact.data(), compact.size(), nullptr));
  ASSERT_TRUE(archive);
  ArchiveEntry count{};
  ASSERT_EQ(getArchiveEntry(archive.get(), -1, &count), ArchiveResult::Success);
  ASSERT_EQ(count.index, 2);
  for (int index = 0; index < 2; ++index) {
    const ZipItem& expected = source[index == 0 ? 3 : 1];
    std::string data(expected.data.size() + 1, '\0');
    EXPECT_EQ(
        extractEntryToMemory(archive.get(), index, data.data(), static_cast<uint32_t>(data.size())),
        ArchiveResult::Success);
    data.resize(expected.data.size());
    EXPECT_EQ(data, expected.data) << expected.name;
  }
  // The digests travel along: a smaller package is read as the whole one was.
  const std::optional<std::vector<PackageItem>> again = ReadItems(compact);
  ASSERT_TRUE(again);
  EXPECT_EQ((*again)[0].digest, (*items)[3].digest);
}

// Sets both item counts of the end record.
void SetCount(BuiltZip& zip, uint16_t count) {
  PutU16(zip.bytes, zip.endRecord + 8, count);
  PutU16(zip.bytes, zip.endRecord + 10, count);
}

TEST(PackageDirectoryTest, RefusesDirectoriesWhoseSpansCannotBeTrusted) {
  const struct {
    const char* what;
    std::function<void(BuiltZip&)> spoil;
  } cases[] = {
      {"two items share a local header",
       [](BuiltZip& zip) { PutU32(zip.bytes, zip.centralHeaders[2] + 42, 0); }},
      {"an item's data runs into the next item",
       [](BuiltZip& zip) { PutU32(zip.bytes, zip.centralHeaders[1] + 20, 6000); }},
      {"an item's header lies in the directory",
       [](BuiltZip& zip) {
         PutU32(zip.bytes, zip.centralHeaders[2] + 42,
                static_cast<uint32_t>(zip.centralHeaders[0]));
       }},
      {"a central header is corrupt",
       [](BuiltZip& zip) { zip.bytes[zip.centralHeaders[1]] = 'X'; }},
      {"bytes in front of the package",
       [](BuiltZip& zip) { zip = BuildZip(DigestedItems(), "MZ"); }},
      {"no end record", [](BuiltZip& zip) { zip.bytes[zip.endRecord] = 'X'; }},
      // The directory's bytes as they were (a signed digest of them still matches), the end
      // record lying about them.
      {"the end record counts an item fewer", [](BuiltZip& zip) { SetCount(zip, 3); }},
      {"the end record counts no item", [](BuiltZip& zip) { SetCount(zip, 0); }},
      {"the end record counts an item more", [](BuiltZip& zip) { SetCount(zip, 5); }},
      {"a gap before the directory stretches the last span",
       [](BuiltZip& zip) {
         const size_t gap = 140000;
         zip.bytes.insert(zip.centralHeaders[0], std::string(gap, 'g'));
         zip.endRecord += gap;
         PutU32(zip.bytes, zip.endRecord + 16, static_cast<uint32_t>(zip.centralHeaders[0] + gap));
       }},
  };
  for (const auto& test : cases) {
    BuiltZip built = BuildZip(DigestedItems());
    test.spoil(built);
    EXPECT_FALSE(ReadItems(built.bytes)) << test.what;
  }
}

TEST(ItemDigestTest, OnlyAWholeBlockOfThisVersionIsADigest) {
  const ItemDigest digest = DigestOf(0x0102030405060708ull, 0xAB);
  const std::string block = zip::ItemDigestBlock(digest);
  std::string wrongVersion = block;
  wrongVersion[4] = 2;
  const struct {
    const char* what;
    std::string extra;
    std::optional<ItemDigest> expected;
  } cases[] = {
      {"alone", block, digest},
      {"after another block", ExtraBlock(0x5455, "\x01\x02\x03\x04\x05") + block, digest},
      {"cut short", block.substr(0, block.size() - 1), std::nullopt},
      {"of another version", wrongVersion, std::nullopt},
      {"absent", ExtraBlock(0x5455, "\x01"), std::nullopt},
      {"behind a block that overruns the field", std::string("\x55\x54\xff\xff", 4) + block,
       std::nullopt},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(
        zip::FindItemDigest(reinterpret_cast<const uint8_t*>(test.extra.data()), test.extra.size()),
        test.expected)
        << test.what;
  }
}

}  // namespace
}  // namespace update::testing
