#include "zip_reader_fixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace update::testing {
namespace {

TEST_F(ZipReaderTest, ExtractsStoredAndDeflatedItems) {
  const struct {
    const char* name;
    std::string data;
    uint16_t method;
    bool dataDescriptor;
  } cases[] = {
      {"empty.txt", "", 8, false},
      {"empty-stored", "", 0, false},
      {"one", "1", 8, false},
      {"stored.bin", Noise(100000, 11), 0, false},
      {"deflated.txt", Text(300000), 8, false},
      {"noise.bin", Noise(50000, 12), 8, false},
      {"exact-buffer", Noise(16384, 13), 0, false},
      {"described.txt", Text(40000), 8, true},
      {"选择.txt", "中文", 8, false},
  };
  std::vector<ZipItem> items;
  for (const auto& c : cases) {
    ZipItem item{c.name, c.data, c.method};
    item.dataDescriptor = c.dataDescriptor;
    item.localExtra = ExtendedTimestamp(3, 1600000000, 1600000500, 0);
    items.push_back(item);
  }
  UniqueArchive archive = OpenForExtraction(BuildZip(items).bytes);
  ASSERT_TRUE(archive);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    const ArchiveEntry entry = Entry(archive.get(), static_cast<int>(i));
    EXPECT_EQ(extractEntryToFile(archive.get(), static_cast<int>(i), entry.name),
              ArchiveResult::Success);
    EXPECT_EQ(lastArchiveResult, ArchiveResult::Success);
    const fs::path file = out() / fs::u8path(cases[i].name);
    const FileFacts facts = GetFileFacts(file);  // before reading moves the access time
    EXPECT_EQ(facts.writeTime, UnixTicks(1600000000));
    EXPECT_EQ(facts.accessTime, UnixTicks(1600000500));
    EXPECT_EQ(ReadWholeFile(file), cases[i].data);
    std::string data;
    EXPECT_EQ(ReadToMemory(archive.get(), static_cast<int>(i), 1000, data), ArchiveResult::Success);
    EXPECT_EQ(data, cases[i].data);
  }
}

TEST_F(ZipReaderTest, CreatesFoldersForItemsAndFolderItems) {
  ZipItem folder{"d/e/", "", 0, kMadeByUnix, kUnixFolder};
  ZipItem nested{"sub\\deeper\\f.txt", "nested"};
  ZipItem dosFolder{"DOSDIR\\", "", 0, kMadeByDos, 0x10};
  // Several zip writers make folder items without the folder bit: the name's end tells.
  ZipItem bareUnixFolder{"plain/", "", 0, kMadeByUnix, kUnixFile};
  ZipItem bareDosFolder{"dosplain\\", "", 0, kMadeByDos, 0x20};
  UniqueArchive archive =
      OpenForExtraction(BuildZip({folder, nested, dosFolder, bareUnixFolder, bareDosFolder}).bytes);
  ASSERT_TRUE(archive);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(extractEntryToFile(archive.get(), i, Entry(archive.get(), i).name),
              ArchiveResult::Success);
  }
  EXPECT_TRUE(Entry(archive.get(), 3).attributes & kArchiveAttributeDirectory);
  const std::vector<std::string> expected = {"DOSDIR/", "d/",   "d/e/",        "dosplain/",
                                             "plain/",  "sub/", "sub/deeper/", "sub/deeper/f.txt"};
  EXPECT_EQ(ListTree(out()), expected);
  EXPECT_EQ(ReadWholeFile(out() / "sub" / "deeper" / "f.txt"), "nested");
}

TEST_F(ZipReaderTest, CreatesAMissingBaseFolder) {
  UniqueArchive archive = OpenAsFile(BuildZip({{"x/y.txt", "y"}}).bytes);
  ASSERT_TRUE(archive);
  // No trailing separator: one is added.
  ASSERT_EQ(setExtractBaseFolder(archive.get(), temp_.Wide("fresh").c_str()),
            ArchiveResult::Success);
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"x/y.txt"), ArchiveResult::Success);
  EXPECT_EQ(ReadWholeFile(temp_.Below("fresh/x/y.txt")), "y");
}

TEST_F(ZipReaderTest, ExtractsToAbsolutePathsAsGiven) {
  UniqueArchive archive = OpenForExtraction(
      BuildZip({{"f.txt", "abs"}, {"g/", "", 0, kMadeByUnix, kUnixFolder}}).bytes);
  ASSERT_TRUE(archive);
  const std::wstring file = temp_.Wide("elsewhere/inner/f.txt");
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, file.c_str()), ArchiveResult::Success);
  EXPECT_EQ(ReadWholeFile(temp_.Below("elsewhere/inner/f.txt")), "abs");
  const std::wstring folder = temp_.Wide("made/by/folder/item");
  EXPECT_EQ(extractEntryToFile(archive.get(), 1, folder.c_str()), ArchiveResult::Success);
  EXPECT_TRUE(fs::is_directory(temp_.Below("made/by/folder/item")));
  EXPECT_TRUE(ListTree(out()).empty());
}

TEST_F(ZipReaderTest, AppliesAttributesAndTimes) {
  ZipItem readOnly{"ro.txt", "r", 8, kMadeByUnix, kUnixReadOnlyFile};
  readOnly.localExtra = ExtendedTimestamp(7, 1400000000, 1400000100, 1300000000);
  ZipItem writable{"rw.txt", "w", 8, kMadeByNtfs, 0x20};
  ZipItem hidden{"hs.txt", "h", 0, kMadeByDos, 0x06};
  UniqueArchive archive = OpenForExtraction(BuildZip({readOnly, writable, hidden}).bytes);
  ASSERT_TRUE(archive);
  const struct {
    const char* name;
    bool readOnly;
    bool hidden;
    bool system;
  } cases[] = {
      {"ro.txt", true, false, false},
      {"rw.txt", false, false, false},
      {"hs.txt", false, true, true},
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(cases[i].name);
    const ArchiveEntry entry = Entry(archive.get(), i);
    ASSERT_EQ(extractEntryToFile(archive.get(), i, entry.name), ArchiveResult::Success);
    const FileFacts facts = GetFileFacts(out() / cases[i].name);
    EXPECT_EQ(facts.readOnly, cases[i].readOnly);
    EXPECT_EQ(facts.writeTime, Ticks(entry.writeTime));
#ifdef _WIN32
    EXPECT_EQ(facts.hidden, cases[i].hidden);
    EXPECT_EQ(facts.system, cases[i].system);
#endif
  }
  EXPECT_EQ(GetFileFacts(out() / "ro.txt").writeTime, UnixTicks(1400000000));
  if (KeepsCreationTimes(temp_.path())) {
    EXPECT_EQ(GetFileFacts(out() / "ro.txt").creationTime, UnixTicks(1300000000));
  }
}

TEST_F(ZipReaderTest, KeepsHostileNamesInsideTheBaseFolder) {
  const char* names[] = {
      "../escape1.txt",
      "..\\escape2.txt",
      "a/../../escape3.txt",
      "/abs/escape4.txt",
      "C:\\escape5.txt",
      "C:../escape6.txt",
      "x\\..\\..\\..\\y\\escape7.txt",
      "a\\..\\..\\escape8.txt",
      "..",
      "../",
      "./../escape9.txt",
      "...",
      "sub/..",
  };
  std::vector<ZipItem> items;
  for (const char* name : names) items.push_back({name, name});
  const fs::path base = temp_.Below("jail/base");
  fs::create_directories(base);
  UniqueArchive archive = OpenAsFile(BuildZip(items).bytes);
  ASSERT_TRUE(archive);
  ASSERT_EQ(setExtractBaseFolder(archive.get(), WidePath(base).c_str()), ArchiveResult::Success);
  for (int i = 0; i < static_cast<int>(std::size(names)); ++i) {
    SCOPED_TRACE(names[i]);
    const ArchiveEntry entry = Entry(archive.get(), i);
    const ArchiveResult result = extractEntryToFile(archive.get(), i, entry.name);
    EXPECT_TRUE(result == ArchiveResult::Success || result == ArchiveResult::BadArguments ||
                result == ArchiveResult::OpenFileFailed)
        << std::hex << static_cast<uint32_t>(result);
  }
  const std::vector<std::string> jail = ListTree(temp_.Below("jail"));
  for (const std::string& path : jail) {
    EXPECT_EQ(path.rfind("base/", 0), 0u) << path << " was written outside the base folder";
  }
  EXPECT_TRUE(fs::exists(base / "escape1.txt"));
  EXPECT_TRUE(fs::exists(base / "escape3.txt"));
  EXPECT_TRUE(fs::exists(base / "abs" / "escape4.txt"));
  EXPECT_TRUE(fs::exists(base / "y" / "escape7.txt"));
  EXPECT_TRUE(fs::exists(base / "escape8.txt"));
}

TEST_F(ZipReaderTest, RefusesTargetsOutsideTheBaseFolder) {
  const wchar_t* paths[] = {
      L"../x.txt", L"..\\x.txt", L"a/../../x.txt", L"a\\..\\..\\x.txt",   L"./../x.txt",
      L"..",       L"...",       L"sub/.. /x.txt", L"a/b/../../../x.txt",
  };
  const fs::path base = temp_.Below("jail/base");
  fs::create_directories(base);
  UniqueArchive archive =
      OpenAsFile(BuildZip({{"f", "data"}, {"d/", "", 0, kMadeByUnix, kUnixFolder}}).bytes);
  ASSERT_TRUE(archive);
  ASSERT_EQ(setExtractBaseFolder(archive.get(), WidePath(base).c_str()), ArchiveResult::Success);
  for (size_t i = 0; i < std::size(paths); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(extractEntryToFile(archive.get(), 0, paths[i]), ArchiveResult::BadArguments);
    EXPECT_EQ(extractEntryToFile(archive.get(), 1, paths[i]), ArchiveResult::BadArguments);
  }
  const std::vector<std::string> expected = {"base/"};
  EXPECT_EQ(ListTree(temp_.Below("jail")), expected);
}

TEST_F(ZipReaderTest, RefusesOverlongBaseFoldersAndTargets) {
  UniqueArchive archive = OpenForExtraction(BuildZip({{"f.txt", "x"}}).bytes);
  ASSERT_TRUE(archive);
  const std::wstring longest = L"C:\\" + std::wstring(255, L'b');  // 258 characters
  EXPECT_EQ(setExtractBaseFolder(archive.get(), longest.c_str()), ArchiveResult::Success);
  EXPECT_EQ(setExtractBaseFolder(archive.get(), (longest + L"c").c_str()),
            ArchiveResult::BadArguments);
  EXPECT_EQ(setExtractBaseFolder(archive.get(), (longest + L"\\").c_str()),
            ArchiveResult::BadArguments);
  EXPECT_EQ(setExtractBaseFolder(archive.get(), nullptr), ArchiveResult::BadArguments);

  const std::wstring base = WidePath(out()) + L"/";
  ASSERT_EQ(setExtractBaseFolder(archive.get(), base.c_str()), ArchiveResult::Success);
  const std::wstring fits(259 - base.size(), L'n');
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, fits.c_str()), ArchiveResult::Success);
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, (fits + L"n").c_str()),
            ArchiveResult::BadArguments);
  EXPECT_EQ(ListTree(out()).size(), 1u);
}

TEST_F(ZipReaderTest, DeletesFileWhoseChecksumFails) {
  ZipItem stored{"stored.bin", Noise(40000, 5), 0};
  ZipItem deflated{"deflated.txt", Text(40000)};
  const BuiltZip built = BuildZip({stored, deflated});
  std::string bytes = built.bytes;
  bytes[built.data[0] + 30000] ^= 0x01;                   // a flipped bit in stored data
  PutU32(bytes, built.localHeaders[1] + 14, 0xDEADBEEF);  // a CRC that both headers agree on
  PutU32(bytes, built.centralHeaders[1] + 16, 0xDEADBEEF);
  UniqueArchive archive = OpenForExtraction(bytes);
  ASSERT_TRUE(archive);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const ArchiveEntry entry = Entry(archive.get(), i);
    EXPECT_EQ(extractEntryToFile(archive.get(), i, entry.name), ArchiveResult::Corrupt);
    EXPECT_EQ(lastArchiveResult, ArchiveResult::Corrupt);
    std::string data;
    EXPECT_EQ(ReadToMemory(archive.get(), i, 5000, data), ArchiveResult::Corrupt);
  }
  EXPECT_TRUE(ListTree(out()).empty()) << "the damaged files were removed";
}

TEST_F(ZipReaderTest, ReportsDamagedDeflateData) {
  ZipItem item{"t.txt", Text(100000)};
  const BuiltZip built = BuildZip({item});
  std::string bytes = built.bytes;
  for (size_t i = 0; i < 64; ++i) bytes[built.data[0] + 100 + i] = static_cast<char>(0xFF);
  UniqueArchive archive = OpenForExtraction(bytes);
  ASSERT_TRUE(archive);
  const ArchiveResult result = extractEntryToFile(archive.get(), 0, L"t.txt");
  EXPECT_TRUE(result == ArchiveResult::InflateError || result == ArchiveResult::Corrupt)
      << std::hex << static_cast<uint32_t>(result);
}

TEST_F(ZipReaderTest, DecryptsWithThePassword) {
  const std::string text = Text(50000);
  const struct {
    const char* name;
    uint16_t method;
    bool dataDescriptor;
  } cases[] = {
      {"stored", 0, false},
      {"deflated", 8, false},
      {"described", 8, true},
  };
  std::vector<ZipItem> items;
  for (const auto& c : cases) {
    ZipItem item{c.name, text, c.method};
    item.password = "s3cret";
    item.dataDescriptor = c.dataDescriptor;
    items.push_back(item);
  }
  items.push_back({"plain", "not encrypted"});
  const std::string bytes = BuildZip(items).bytes;
  const struct {
    const char* password;
    ArchiveResult expected;
  } passwords[] = {
      {"s3cret", ArchiveResult::Success},
      {"wrong", ArchiveResult::PasswordRequired},
      {nullptr, ArchiveResult::PasswordRequired},
      {"", ArchiveResult::PasswordRequired},
  };
  for (size_t p = 0; p < std::size(passwords); ++p) {
    UniqueArchive archive = OpenForExtraction(bytes, passwords[p].password);
    ASSERT_TRUE(archive);
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(std::to_string(p) + " " + cases[i].name);
      EXPECT_EQ(extractEntryToFile(archive.get(), i, Entry(archive.get(), i).name),
                passwords[p].expected);
      std::string data;
      EXPECT_EQ(ReadToMemory(archive.get(), i, 777, data), passwords[p].expected);
      if (passwords[p].expected == ArchiveResult::Success) {
        EXPECT_EQ(data, text);
        EXPECT_EQ(ReadWholeFile(out() / cases[i].name), text);
      }
    }
    std::string data;
    EXPECT_EQ(ReadToMemory(archive.get(), 3, 100, data), ArchiveResult::Success);
    EXPECT_EQ(data, "not encrypted");
    fs::remove_all(out());
  }
}

TEST_F(ZipReaderTest, ReportsTargetsThatCannotBeCreated) {
  UniqueArchive archive = OpenForExtraction(BuildZip({{"f", "data"}}).bytes);
  ASSERT_TRUE(archive);
  fs::create_directories(out() / "taken");
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"taken"), ArchiveResult::OpenFileFailed);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"folder/"), ArchiveResult::BadArguments)
      << "no file name";
  WriteWholeFile(out() / "file", "x");
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"file/inside"), ArchiveResult::OpenFileFailed)
      << "a file stands where a folder should be";
#ifdef _WIN32
  const fs::path busy = out() / "busy.txt";
  HANDLE holder = CreateFileW(busy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"busy.txt"), ArchiveResult::OpenFileFailed)
      << "the file is in use";
  CloseHandle(holder);
#endif
  // The handle stays usable after failures.
  EXPECT_EQ(extractEntryToFile(archive.get(), 0, L"ok"), ArchiveResult::Success);
}

TEST_F(ZipReaderTest, ExtractsToCallersHandle) {
  ZipItem item{"t.txt", Text(70000)};
  item.localExtra = ExtendedTimestamp(1, 1500000000, 0, 0);
  UniqueArchive archive =
      OpenForExtraction(BuildZip({item, {"d/", "", 0, kMadeByUnix, kUnixFolder}}).bytes);
  ASSERT_TRUE(archive);
  const fs::path target = temp_.Below("handle-target");
  {
    NativeFile file(target, NativeFile::Mode::Write);
    ASSERT_TRUE(file.valid());
    EXPECT_EQ(extractEntryToHandle(archive.get(), 0, file.get()), ArchiveResult::Success);
    EXPECT_EQ(extractEntryToHandle(archive.get(), 1, file.get()), ArchiveResult::Success)
        << "a folder item writes nothing";
    EXPECT_EQ(extractEntryToHandle(archive.get(), 2, file.get()), ArchiveResult::BadArguments);
  }
  EXPECT_EQ(ReadWholeFile(target), Text(70000));
  EXPECT_EQ(GetFileFacts(target).writeTime, UnixTicks(1500000000));

  NativeFile readOnly(target, NativeFile::Mode::Read);
  ASSERT_TRUE(readOnly.valid());
  EXPECT_EQ(extractEntryToHandle(archive.get(), 0, readOnly.get()), ArchiveResult::WriteFailed);
#ifndef _WIN32
  NativeFile full("/dev/full", NativeFile::Mode::Write);
  ASSERT_TRUE(full.valid());
  EXPECT_EQ(extractEntryToHandle(archive.get(), 0, full.get()), ArchiveResult::WriteFailed)
      << "disk full";
#endif
}

TEST_F(ZipReaderTest, StreamsToMemoryInPieces) {
  const std::string text = Text(100000);
  const std::string noise = Noise(50000, 21);
  UniqueArchive archive = OpenInMemory(BuildZip({{"t", text}, {"n", noise, 0}, {"e", ""}}).bytes);
  ASSERT_TRUE(archive);
  const size_t pieces[] = {1, 7, 4096, 16384, 50000, 100000, 200000};
  for (size_t i = 0; i < std::size(pieces); ++i) {
    SCOPED_TRACE(pieces[i]);
    std::string data;
    if (pieces[i] <= 4096 || pieces[i] >= 100000) {
      EXPECT_EQ(ReadToMemory(archive.get(), 0, pieces[i], data), ArchiveResult::Success);
      EXPECT_EQ(data, text);
    }
    EXPECT_EQ(ReadToMemory(archive.get(), 1, pieces[i], data), ArchiveResult::Success);
    EXPECT_EQ(data, noise);
    EXPECT_EQ(ReadToMemory(archive.get(), 2, pieces[i], data), ArchiveResult::Success);
    EXPECT_TRUE(data.empty());
  }
  char buffer[16];
  EXPECT_EQ(extractEntryToMemory(archive.get(), 0, nullptr, 16), ArchiveResult::BadArguments);
  EXPECT_EQ(extractEntryToMemory(archive.get(), 0, buffer, 0), ArchiveResult::BadArguments);
}

TEST_F(ZipReaderTest, AbandonsAStreamForAnotherIndex) {
  const std::string first = Text(60000);
  const std::string second = Noise(60000, 3);
  UniqueArchive archive = OpenInMemory(BuildZip({{"a", first}, {"b", second}}).bytes);
  ASSERT_TRUE(archive);
  char buffer[1000];
  ASSERT_EQ(extractEntryToMemory(archive.get(), 0, buffer, sizeof buffer), ArchiveResult::MoreData);
  EXPECT_EQ(std::string(buffer, sizeof buffer), first.substr(0, 1000));
  ASSERT_EQ(extractEntryToMemory(archive.get(), 1, buffer, sizeof buffer), ArchiveResult::MoreData);
  EXPECT_EQ(std::string(buffer, sizeof buffer), second.substr(0, 1000));
  // Going back starts the first item over.
  ASSERT_EQ(extractEntryToMemory(archive.get(), 0, buffer, sizeof buffer), ArchiveResult::MoreData);
  EXPECT_EQ(std::string(buffer, sizeof buffer), first.substr(0, 1000));
  // A get in between closes the stream as well.
  Entry(archive.get(), 1);
  ASSERT_EQ(extractEntryToMemory(archive.get(), 0, buffer, sizeof buffer), ArchiveResult::MoreData);
  EXPECT_EQ(std::string(buffer, sizeof buffer), first.substr(0, 1000));
  std::string rest;
  EXPECT_EQ(ReadToMemory(archive.get(), 1, 3333, rest), ArchiveResult::Success);
  EXPECT_EQ(rest, second);
}

TEST_F(ZipReaderTest, StoresEveryResultAsTheLast) {
  UniqueArchive archive = OpenForExtraction(BuildZip({{"a", "1"}}).bytes);
  ASSERT_TRUE(archive);
  ArchiveEntry entry{};
  getArchiveEntry(archive.get(), 5, &entry);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::BadArguments);
  extractEntryToFile(archive.get(), 0, L"a");
  EXPECT_EQ(lastArchiveResult, ArchiveResult::Success);
  findArchiveEntry(archive.get(), L"zzz", false, nullptr, nullptr);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::NotFound);
  setExtractBaseFolder(archive.get(), WidePath(out()).c_str());
  EXPECT_EQ(lastArchiveResult, ArchiveResult::Success);
  char buffer[1];
  extractEntryToMemory(archive.get(), 3, buffer, 1);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::BadArguments);
}

}  // namespace
}  // namespace update::testing
