#include <cstdlib>
#include <ctime>

#include "zip_reader_fixture.h"

namespace update::testing {
namespace {

TEST_F(ZipReaderTest, DescribesEntries) {
  ZipItem folder{"docs/", "", 0, kMadeByUnix, kUnixFolder};
  ZipItem readOnly{"docs/readme.txt", Text(3000), 8, kMadeByUnix, kUnixReadOnlyFile};
  ZipItem dos{"SYS.DAT", "x", 0, kMadeByDos, 0x27};
  ZipItem empty{"empty", ""};
  UniqueArchive archive = OpenInMemory(BuildZip({folder, readOnly, dos, empty}).bytes);
  ASSERT_TRUE(archive);
  const struct {
    const char* name;
    uint32_t attributes;
    int32_t size;
  } expected[] = {
      {"docs/", kArchiveAttributeDirectory | kArchiveAttributeArchive, 0},
      {"docs/readme.txt", kArchiveAttributeArchive | kArchiveAttributeReadOnly, 3000},
      {"SYS.DAT",
       kArchiveAttributeReadOnly | kArchiveAttributeHidden | kArchiveAttributeSystem |
           kArchiveAttributeArchive,
       1},
      {"empty", kArchiveAttributeArchive, 0},
  };
  ASSERT_EQ(Count(archive.get()), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    ArchiveEntry entry{};
    EXPECT_EQ(getArchiveEntry(archive.get(), i, &entry), ArchiveResult::Success);
    EXPECT_EQ(lastArchiveResult, ArchiveResult::Success);
    EXPECT_EQ(entry.index, i);
    EXPECT_EQ(Name(entry), expected[i].name);
    EXPECT_EQ(entry.attributes, expected[i].attributes);
    EXPECT_EQ(entry.uncompressedSize, expected[i].size);
    EXPECT_NE(Ticks(entry.writeTime), 0u);
    EXPECT_EQ(Ticks(entry.writeTime), Ticks(entry.accessTime));
    EXPECT_EQ(Ticks(entry.writeTime), Ticks(entry.creationTime));
  }
  const ArchiveEntry deflated = Entry(archive.get(), 1);
  EXPECT_LT(deflated.compressedSize, 3000) << "text deflates";
  EXPECT_GT(deflated.compressedSize, 0);
}

TEST_F(ZipReaderTest, ClearsEntryAndRefusesIndexesOutOfRange) {
  UniqueArchive archive = OpenInMemory(BuildZip({{"a", "1"}, {"b", "22"}}).bytes);
  ASSERT_TRUE(archive);
  const int refused[] = {-2, -100, 2, 3, 1 << 30};
  for (size_t i = 0; i < std::size(refused); ++i) {
    SCOPED_TRACE(refused[i]);
    ArchiveEntry entry = Entry(archive.get(), 1);
    ASSERT_EQ(entry.uncompressedSize, 2);
    EXPECT_EQ(getArchiveEntry(archive.get(), refused[i], &entry), ArchiveResult::BadArguments);
    EXPECT_EQ(lastArchiveResult, ArchiveResult::BadArguments);
    EXPECT_EQ(entry.index, 0);
    EXPECT_EQ(entry.name[0], L'\0');
    EXPECT_EQ(entry.uncompressedSize, 0);
    EXPECT_EQ(extractEntryToFile(archive.get(), refused[i], L"x"), ArchiveResult::BadArguments);
    char buffer[8];
    EXPECT_EQ(extractEntryToMemory(archive.get(), refused[i], buffer, 8),
              ArchiveResult::BadArguments);
  }
  // Negative indexes other than the count query are refused by every extraction.
  EXPECT_EQ(extractEntryToFile(archive.get(), -1, L"x"), ArchiveResult::BadArguments);
  char buffer[8];
  EXPECT_EQ(extractEntryToMemory(archive.get(), -1, buffer, 8), ArchiveResult::BadArguments);
  EXPECT_EQ(getArchiveEntry(archive.get(), 0, nullptr), ArchiveResult::BadArguments);
}

TEST_F(ZipReaderTest, CountQueryZeroesTheRest) {
  UniqueArchive archive = OpenInMemory(BuildZip({{"a", "1"}, {"b", "22"}, {"c", ""}}).bytes);
  ASSERT_TRUE(archive);
  ArchiveEntry entry = Entry(archive.get(), 1);
  EXPECT_EQ(getArchiveEntry(archive.get(), -1, &entry), ArchiveResult::Success);
  EXPECT_EQ(entry.index, 3);
  EXPECT_EQ(entry.name[0], L'\0');
  EXPECT_EQ(entry.attributes, 0u);
  EXPECT_EQ(Ticks(entry.writeTime), 0u);
  EXPECT_EQ(entry.compressedSize, 0);
}

TEST_F(ZipReaderTest, UsesExtendedTimestamps) {
  ZipItem all{"all", "x"};
  all.localExtra = ExtendedTimestamp(7, 1600000000, 1600000100, 1500000000);
  ZipItem writeOnly{"write", "y"};
  writeOnly.localExtra =
      ExtraBlock(0x000A, std::string(32, '\0')) + ExtendedTimestamp(1, 1234567890, 0, 0);
  writeOnly.centralExtra = ExtendedTimestamp(1, 42, 0, 0);  // the central copy is not read
  UniqueArchive archive = OpenInMemory(BuildZip({all, writeOnly}).bytes);
  ASSERT_TRUE(archive);
  const ArchiveEntry first = Entry(archive.get(), 0);
  EXPECT_EQ(Ticks(first.writeTime), UnixTicks(1600000000));
  EXPECT_EQ(Ticks(first.accessTime), UnixTicks(1600000100));
  EXPECT_EQ(Ticks(first.creationTime), UnixTicks(1500000000));
  const ArchiveEntry second = Entry(archive.get(), 1);
  EXPECT_EQ(Ticks(second.writeTime), UnixTicks(1234567890));
  EXPECT_NE(Ticks(second.accessTime), UnixTicks(1234567890)) << "keeps the DOS stamp";
  EXPECT_EQ(Ticks(second.accessTime), Ticks(second.creationTime));
}

#ifndef _WIN32
// Sets the process's time zone for the length of a test.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadOld_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool hadOld_ = false;
};
#endif

TEST_F(ZipReaderTest, ReadsDosTimesAsLocalTime) {
  ZipItem item{"f", "x"};  // 2020-06-15 12:34:56 local time
  ZipItem invalid{"g", "y"};
  invalid.dosDate = (40 << 9) | (13 << 5) | 1;  // month 13
  constexpr int64_t kAsUtc = 1592224496;        // 2020-06-15 12:34:56 UTC
#ifndef _WIN32
  ScopedTimeZone zone("XST-3");  // three hours ahead of UTC
  UniqueArchive archive = OpenInMemory(BuildZip({item, invalid}).bytes);
  ASSERT_TRUE(archive);
  EXPECT_EQ(Ticks(Entry(archive.get(), 0).writeTime), UnixTicks(kAsUtc - 3 * 3600));
#else
  UniqueArchive archive = OpenInMemory(BuildZip({item, invalid}).bytes);
  ASSERT_TRUE(archive);
  // The zone is the machine's own: the stamp is off from UTC by whole quarter hours.
  const int64_t offset =
      static_cast<int64_t>(Ticks(Entry(archive.get(), 0).writeTime) - UnixTicks(kAsUtc));
  EXPECT_LE(std::abs(offset), int64_t{14} * 3600 * 10000000);
  EXPECT_EQ(offset % (int64_t{15} * 60 * 10000000), 0);
#endif
  EXPECT_EQ(Ticks(Entry(archive.get(), 1).writeTime), 0u) << "no such date";
}

TEST_F(ZipReaderTest, ServesTheCachedEntryWithoutReadingAgain) {
  const BuiltZip built = BuildZip({{"a", "1"}, {"b", "22"}});
  std::string bytes = built.bytes;  // outlives the archive that reads it
  UniqueArchive archive(
      openArchiveMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr));
  ASSERT_TRUE(archive);
  EXPECT_EQ(Name(Entry(archive.get(), 1)), "b");
  PutU32(bytes, built.centralHeaders[1], 0x02014B51);  // damage the second central header
  EXPECT_EQ(Name(Entry(archive.get(), 1)), "b") << "served from the cache";
  EXPECT_EQ(Name(Entry(archive.get(), 0)), "a");
  ArchiveEntry entry{};
  EXPECT_EQ(getArchiveEntry(archive.get(), 1, &entry), ArchiveResult::Corrupt)
      << "read again once another entry was cached";
}

TEST_F(ZipReaderTest, RefusesCorruptLocalHeaders) {
  const BuiltZip built = BuildZip({{"ok", "fine"}, {"bad.txt", Text(500)}});
  const size_t local = built.localHeaders[1];
  const struct {
    const char* what;
    size_t at;
    uint32_t value;
    bool wide;
  } cases[] = {
      {"signature", local, 0x04034B51, true},
      {"method differs from central", local + 8, 0, false},
      {"name length differs", local + 26, 6, false},
      {"crc differs", local + 14, 0x12345678, true},
      {"compressed size differs", local + 18, 3, true},
      {"size differs", local + 22, 499, true},
      {"extra field runs past the data", local + 28, 0xFFFF, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    std::string bytes = built.bytes;
    if (cases[i].wide) {
      PutU32(bytes, cases[i].at, cases[i].value);
    } else {
      PutU16(bytes, cases[i].at, static_cast<uint16_t>(cases[i].value));
    }
    UniqueArchive archive = OpenForExtraction(bytes);
    ASSERT_TRUE(archive);
    ArchiveEntry entry{};
    EXPECT_EQ(getArchiveEntry(archive.get(), 1, &entry), ArchiveResult::Corrupt);
    EXPECT_EQ(extractEntryToFile(archive.get(), 1, L"bad.txt"), ArchiveResult::Corrupt);
    EXPECT_FALSE(fs::exists(out() / "bad.txt")) << "nothing is created for a corrupt item";
    char buffer[64];
    EXPECT_EQ(extractEntryToMemory(archive.get(), 1, buffer, sizeof buffer),
              ArchiveResult::Corrupt);
    EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"ok"), ArchiveResult::Success);
    EXPECT_EQ(ReadWholeFile(out() / "ok"), "fine");
  }
}

TEST_F(ZipReaderTest, RefusesItemsWithUnknownMethods) {
  ZipItem item{"m", "data", 0};
  const BuiltZip built = BuildZip({item});
  std::string bytes = built.bytes;
  PutU16(bytes, built.localHeaders[0] + 8, 12);  // bzip2
  PutU16(bytes, built.centralHeaders[0] + 10, 12);
  UniqueArchive archive = OpenInMemory(bytes);
  ASSERT_TRUE(archive);
  ArchiveEntry entry{};
  EXPECT_EQ(getArchiveEntry(archive.get(), 0, &entry), ArchiveResult::Corrupt);
}

TEST_F(ZipReaderTest, StopsWalkAtBrokenCentralHeader) {
  const BuiltZip built = BuildZip({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
  std::string bytes = built.bytes;
  PutU32(bytes, built.centralHeaders[1], 0x02014B51);
  UniqueArchive archive = OpenInMemory(bytes);
  ASSERT_TRUE(archive);
  ArchiveEntry entry{};
  EXPECT_EQ(getArchiveEntry(archive.get(), 0, &entry), ArchiveResult::Success);
  for (int index : {3, 1, 2, 3}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(getArchiveEntry(archive.get(), index, &entry), ArchiveResult::Corrupt);
    EXPECT_EQ(extractEntryToFile(archive.get(), index, L"x"), ArchiveResult::Corrupt);
  }
  EXPECT_EQ(Name(Entry(archive.get(), 0)), "a") << "the walk starts over from the first item";

  // A directory that claims more items than it holds runs off its end.
  std::string counted = BuildZip({{"a", "1"}}).bytes;
  const size_t end = counted.size() - 22;
  PutU16(counted, end + 8, 3);
  PutU16(counted, end + 10, 3);
  UniqueArchive overcounted = OpenInMemory(counted);
  ASSERT_TRUE(overcounted);
  EXPECT_EQ(Count(overcounted.get()), 3);
  EXPECT_EQ(getArchiveEntry(overcounted.get(), 2, &entry), ArchiveResult::Corrupt);
  EXPECT_EQ(getArchiveEntry(overcounted.get(), 0, &entry), ArchiveResult::Success);
}

TEST_F(ZipReaderTest, RefusesStoredNamesTooLongToHold) {
  const std::string fits(259, 'n');
  const std::string tooLong(260, 'n');
  UniqueArchive archive = OpenForExtraction(BuildZip({{fits, "a"}, {tooLong, "b"}}).bytes);
  ASSERT_TRUE(archive);
  EXPECT_EQ(Name(Entry(archive.get(), 0)), fits);
  ArchiveEntry entry{};
  EXPECT_EQ(getArchiveEntry(archive.get(), 1, &entry), ArchiveResult::BadArguments);
  EXPECT_EQ(extractEntryToFile(archive.get(), 1, L"short"), ArchiveResult::BadArguments);
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, Utf8ToWide(fits).c_str()),
            ArchiveResult::BadArguments)
      << "base folder + name is longer than a target may be";
  EXPECT_TRUE(ListTree(out()).empty());
}

TEST_F(ZipReaderTest, FindsEntriesByStoredName) {
  const BuiltZip built = BuildZip(
      {{"Dir/Read.Me", "1"}, {"../up.txt", "2"}, {"Ärger.txt", "3"}, {"dir/read.me", "4"}});
  UniqueArchive archive = OpenInMemory(built.bytes);
  ASSERT_TRUE(archive);
  const struct {
    const wchar_t* name;
    bool ignoreCase;
    int index;
  } cases[] = {
      {L"Dir/Read.Me", false, 0},   {L"dir/read.me", false, 3},
      {L"DIR/READ.ME", true, 0},    {L"DIR/READ.ME", false, -1},
      {L"../up.txt", false, 1},  // the raw stored name, before cleaning
      {L"up.txt", false, -1},       {L"Ärger.txt", false, 2},
      {L"ärger.txt", true, -1},  // only ASCII letters are folded
      {L"ÄRGER.TXT", true, 2},      {L"Dir/Read.M", false, -1},
      {L"Dir/Read.Me2", false, -1}, {L"", false, -1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    int index = 99;
    ArchiveEntry entry{};
    entry.index = 99;
    const ArchiveResult result =
        findArchiveEntry(archive.get(), cases[i].name, cases[i].ignoreCase, &index, &entry);
    EXPECT_EQ(lastArchiveResult, result);
    EXPECT_EQ(index, cases[i].index);
    EXPECT_EQ(entry.index, cases[i].index);
    if (cases[i].index < 0) {
      EXPECT_EQ(result, ArchiveResult::NotFound);
      EXPECT_EQ(entry.name[0], L'\0');
    } else {
      EXPECT_EQ(result, ArchiveResult::Success);
      EXPECT_EQ(Name(entry), Name(Entry(archive.get(), cases[i].index)));
    }
  }
  int index = -5;
  EXPECT_EQ(findArchiveEntry(archive.get(), L"dir/read.me", false, &index, nullptr),
            ArchiveResult::Success);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(findArchiveEntry(archive.get(), L"dir/read.me", false, nullptr, nullptr),
            ArchiveResult::Success);
  EXPECT_EQ(findArchiveEntry(archive.get(), nullptr, false, &index, nullptr),
            ArchiveResult::BadArguments);
}

TEST_F(ZipReaderTest, NeverFindsNamesOf256BytesOrMore) {
  const std::string longest(255, 'x');
  const std::string tooLong(256, 'y');
  UniqueArchive archive = OpenInMemory(BuildZip({{longest, "1"}, {tooLong, "2"}}).bytes);
  ASSERT_TRUE(archive);
  int index = 0;
  EXPECT_EQ(findArchiveEntry(archive.get(), Utf8ToWide(longest).c_str(), false, &index, nullptr),
            ArchiveResult::Success);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(findArchiveEntry(archive.get(), Utf8ToWide(tooLong).c_str(), false, &index, nullptr),
            ArchiveResult::NotFound);
  EXPECT_EQ(index, -1);
}

}  // namespace
}  // namespace update::testing
