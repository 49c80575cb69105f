#include "zip_reader_fixture.h"

namespace update::testing {
namespace {

std::vector<ZipItem> ThreeItems() {
  return {{"a.txt", "alpha"},
          {"dir/", "", 0, kMadeByUnix, kUnixFolder},
          {"dir/b.bin", Noise(70000, 1)}};
}

std::vector<std::string> Names(ArchiveHandle* archive) {
  std::vector<std::string> names;
  const int count = ZipReaderTest::Count(archive);
  for (int i = 0; i < count; ++i)
    names.push_back(ZipReaderTest::Name(ZipReaderTest::Entry(archive, i)));
  return names;
}

TEST_F(ZipReaderTest, OpensFromPathHandleAndMemory) {
  const std::string bytes = BuildZip(ThreeItems()).bytes;
  const std::vector<std::string> expected = {"a.txt", "dir/", "dir/b.bin"};

  UniqueArchive fromMemory = OpenInMemory(bytes);
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::Success);
  EXPECT_TRUE(isReaderHandle(fromMemory.get()));
  EXPECT_EQ(Names(fromMemory.get()), expected);

  UniqueArchive fromPath = OpenAsFile(bytes);
  ASSERT_TRUE(fromPath);
  EXPECT_EQ(Names(fromPath.get()), expected);

  const fs::path path = temp_.Below("handle.zip");
  WriteWholeFile(path, bytes);
  NativeFile file(path, NativeFile::Mode::Read);
  ASSERT_TRUE(file.valid());
  UniqueArchive fromHandle(openArchiveHandle(file.get(), nullptr));
  ASSERT_TRUE(fromHandle);
  EXPECT_EQ(Names(fromHandle.get()), expected);
  std::string data;
  EXPECT_EQ(ReadToMemory(fromHandle.get(), 2, 4096, data), ArchiveResult::Success);
  EXPECT_EQ(data, Noise(70000, 1));
}

TEST_F(ZipReaderTest, RefusesMissingFilesAndNonArchives) {
  const std::string valid = BuildZip(ThreeItems()).bytes;
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"four bytes", "PK\x05\x06"},
      {"text", Text(5000)},
      {"noise", Noise(200000, 7)},
      {"end record only, cut short", valid.substr(valid.size() - 22, 20)},
      {"local header only", valid.substr(0, 40)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    lastArchiveResult = ArchiveResult::Success;
    EXPECT_FALSE(OpenAsFile(cases[i].bytes));
    EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
    lastArchiveResult = ArchiveResult::Success;
    EXPECT_FALSE(OpenInMemory(cases[i].bytes));
    EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  }
  lastArchiveResult = ArchiveResult::Success;
  EXPECT_EQ(openArchiveFile(temp_.Wide("missing.zip").c_str(), nullptr), nullptr);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  lastArchiveResult = ArchiveResult::Success;
  EXPECT_EQ(openArchiveFile(temp_.Wide().c_str(), nullptr), nullptr) << "a folder";
  EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  EXPECT_EQ(openArchiveFile(nullptr, nullptr), nullptr);
  EXPECT_EQ(openArchiveMemory(nullptr, 10, nullptr), nullptr);
}

TEST_F(ZipReaderTest, RefusesTruncatedArchives) {
  const BuiltZip built = BuildZip(ThreeItems());
  const size_t cuts[] = {1,
                         built.data[1],
                         built.centralHeaders[0],
                         built.centralHeaders[1] + 10,
                         built.endRecord,
                         built.endRecord + 10,
                         built.bytes.size() - 1};
  for (size_t i = 0; i < std::size(cuts); ++i) {
    SCOPED_TRACE(i);
    lastArchiveResult = ArchiveResult::Success;
    EXPECT_FALSE(OpenInMemory(built.bytes.substr(0, cuts[i])));
    EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  }
}

TEST_F(ZipReaderTest, RefusesInconsistentEndRecord) {
  const BuiltZip built = BuildZip(ThreeItems());
  const size_t end = built.endRecord;
  const struct {
    const char* what;
    size_t at;
    uint32_t value;
    bool wide;
  } cases[] = {
      {"this disk", end + 4, 1, false},
      {"directory disk", end + 6, 2, false},
      {"entries on disk differ from total", end + 8, 2, false},
      {"directory larger than the archive", end + 12, 0x10000, true},
      {"directory offset past the record", end + 16, static_cast<uint32_t>(end), true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    std::string bytes = built.bytes;
    if (cases[i].wide) {
      PutU32(bytes, cases[i].at, cases[i].value);
    } else {
      PutU16(bytes, cases[i].at, static_cast<uint16_t>(cases[i].value));
    }
    EXPECT_FALSE(OpenInMemory(bytes));
    EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  }
}

TEST_F(ZipReaderTest, FindsEndRecordBehindComments) {
  const size_t commentSizes[] = {0, 1, 1000, 1023, 1024, 1025, 2000, 5000, 65535 - 22};
  for (size_t i = 0; i < std::size(commentSizes); ++i) {
    SCOPED_TRACE(commentSizes[i]);
    const std::string bytes = BuildZip(ThreeItems(), "", Text(commentSizes[i])).bytes;
    UniqueArchive archive = OpenInMemory(bytes);
    ASSERT_TRUE(archive);
    EXPECT_EQ(Count(archive.get()), 3);
  }
  // The scan covers the last 65535 bytes only: a longer tail hides the record.
  std::string hidden = BuildZip(ThreeItems()).bytes + Text(65535);
  EXPECT_FALSE(OpenInMemory(hidden));
  EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
}

TEST_F(ZipReaderTest, ReadsArchivesWithDataInFront) {
  const std::string prefixes[] = {"MZ", Noise(5000, 3), Noise(200000, 4)};
  for (size_t i = 0; i < std::size(prefixes); ++i) {
    SCOPED_TRACE(i);
    const std::string bytes = BuildZip(ThreeItems(), prefixes[i]).bytes;
    UniqueArchive archives[] = {OpenInMemory(bytes), OpenAsFile(bytes)};
    for (UniqueArchive& archive : archives) {
      ASSERT_TRUE(archive);
      std::string data;
      EXPECT_EQ(ReadToMemory(archive.get(), 0, 100, data), ArchiveResult::Success);
      EXPECT_EQ(data, "alpha");
      EXPECT_EQ(ReadToMemory(archive.get(), 2, 100000, data), ArchiveResult::Success);
      EXPECT_EQ(data, Noise(70000, 1));
    }
  }
}

TEST_F(ZipReaderTest, ReadsFromHandleAtItsCurrentPosition) {
  const std::string front = Noise(3000, 9);
  // Offsets in this archive count from its own start, which lies `front` bytes into the file.
  const std::string bytes = front + BuildZip(ThreeItems()).bytes;
  const fs::path path = temp_.Below("embedded.bin");
  WriteWholeFile(path, bytes);
  NativeFile file(path, NativeFile::Mode::Read);
  ASSERT_TRUE(file.valid());
  file.SeekTo(front.size());
  UniqueArchive archive(openArchiveHandle(file.get(), nullptr));
  ASSERT_TRUE(archive);
  std::string data;
  EXPECT_EQ(ReadToMemory(archive.get(), 0, 64, data), ArchiveResult::Success);
  EXPECT_EQ(data, "alpha");
  archive.reset();
  // Closing the archive leaves the caller's handle open and usable.
  file.SeekTo(front.size());
  UniqueArchive again(openArchiveHandle(file.get(), nullptr));
  ASSERT_TRUE(again);
  EXPECT_EQ(Count(again.get()), 3);
}

TEST_F(ZipReaderTest, RefusesHandlesThatCannotSeek) {
  PipeReadEnd pipe;
  lastArchiveResult = ArchiveResult::Success;
  EXPECT_EQ(openArchiveHandle(pipe.get(), nullptr), nullptr);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::NotSeekable);
}

TEST_F(ZipReaderTest, CountsZeroItems) {
  UniqueArchive archive = OpenAsFile(BuildZip({}).bytes);
  ASSERT_TRUE(archive);
  ArchiveEntry entry{};
  EXPECT_EQ(getArchiveEntry(archive.get(), -1, &entry), ArchiveResult::Success);
  EXPECT_EQ(entry.index, 0);
  EXPECT_EQ(getArchiveEntry(archive.get(), 0, &entry), ArchiveResult::BadArguments);
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"x"), ArchiveResult::BadArguments);
}

TEST_F(ZipReaderTest, ChecksHandleKinds) {
  EXPECT_EQ(closeArchive(nullptr), ArchiveResult::BadArguments);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::BadArguments);
  ArchiveEntry entry{};
  EXPECT_EQ(getArchiveEntry(nullptr, -1, &entry), ArchiveResult::BadArguments);
  EXPECT_FALSE(isReaderHandle(nullptr));
  for (uint32_t kind : {0u, 2u, 3u}) {
    SCOPED_TRACE(kind);
    ArchiveHandle foreign{kind, nullptr};
    EXPECT_FALSE(isReaderHandle(&foreign));
    EXPECT_EQ(getArchiveEntry(&foreign, -1, &entry), ArchiveResult::WrongHandleKind);
    EXPECT_EQ(extractEntryToFile(&foreign, 0, L"x"), ArchiveResult::WrongHandleKind);
    EXPECT_EQ(setExtractBaseFolder(&foreign, L"x"), ArchiveResult::WrongHandleKind);
    EXPECT_EQ(findArchiveEntry(&foreign, L"x", false, nullptr, nullptr),
              ArchiveResult::WrongHandleKind);
    EXPECT_EQ(closeArchive(&foreign), ArchiveResult::WrongHandleKind);
    EXPECT_EQ(lastArchiveResult, ArchiveResult::WrongHandleKind);
  }
  UniqueArchive archive = OpenInMemory(BuildZip(ThreeItems()).bytes);
  ASSERT_TRUE(archive);
  EXPECT_EQ(closeArchive(archive.release()), ArchiveResult::Success);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::Success);
}

}  // namespace
}  // namespace update::testing
