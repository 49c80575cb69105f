// Archives made by Debian's own zip command, read back: a check on the reader that does not
// rest on this project's own archive builder. Native only (the tool is a Linux program).
#include "zip_reader_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <cstdlib>

namespace update::testing {
namespace {

class ZipCommandTest : public ZipReaderTest {
 protected:
  void SetUp() override {
    if (std::system("command -v zip >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "Debian's zip is not installed";
    }
    const fs::path source = temp_.Below("source");
    fs::create_directories(source / "sub" / "deeper");
    fs::create_directories(source / "empty-folder");
    files_ = {{"a.txt", Text(20000)},
              {"sub/b.bin", Noise(300000, 5)},
              {"sub/deeper/c.txt", "c"},
              {"zero", ""},
              {"中文名.txt", "中文"}};
    for (const auto& [name, data] : files_) WriteWholeFile(source / fs::u8path(name), data);
  }

  // Zips the source folder with extra options and unpacks it the way the installer does.
  void RoundTrip(const std::string& options, const char* password) {
    const std::string command = "cd '" + temp_.Below("source").string() + "' && zip -q -r " +
                                options + " '" + temp_.Below("made.zip").string() + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    UniqueArchive archive(openArchiveFile(temp_.Wide("made.zip").c_str(), password));
    ASSERT_TRUE(archive);
    fs::create_directories(out());
    ASSERT_EQ(setExtractBaseFolder(archive.get(), WidePath(out()).c_str()), ArchiveResult::Success);
    const int count = Count(archive.get());
    EXPECT_EQ(count, 8);  // five files and three folders
    for (int i = 0; i < count; ++i) {
      const ArchiveEntry entry = Entry(archive.get(), i);
      SCOPED_TRACE(Name(entry));
      EXPECT_EQ(extractEntryToFile(archive.get(), i, entry.name), ArchiveResult::Success);
    }
    for (const auto& [name, data] : files_) {
      SCOPED_TRACE(name);
      const fs::path extracted = out() / fs::u8path(name);
      EXPECT_EQ(ReadWholeFile(extracted), data);
      struct stat original {};
      ASSERT_EQ(stat((temp_.Below("source") / fs::u8path(name)).c_str(), &original), 0);
      EXPECT_EQ(GetFileFacts(extracted).writeTime / 10000000,
                UnixTicks(original.st_mtime) / 10000000)
          << "the extended timestamp";
    }
    EXPECT_TRUE(fs::is_directory(out() / "empty-folder"));
  }

  std::vector<std::pair<std::string, std::string>> files_;
};

TEST_F(ZipCommandTest, ReadsPlainArchives) {
  RoundTrip("", nullptr);
}

TEST_F(ZipCommandTest, ReadsStoredArchives) {
  RoundTrip("-0", nullptr);
}

TEST_F(ZipCommandTest, ReadsEncryptedArchives) {
  RoundTrip("-P 'pass word'", "pass word");
}

TEST_F(ZipCommandTest, RefusesEncryptedArchivesWithoutThePassword) {
  const std::string command = "cd '" + temp_.Below("source").string() +
                              "' && zip -q -r -P right '" + temp_.Below("made.zip").string() +
                              "' a.txt sub/b.bin";
  ASSERT_EQ(std::system(command.c_str()), 0);
  UniqueArchive archive(openArchiveFile(temp_.Wide("made.zip").c_str(), "wrong"));
  ASSERT_TRUE(archive);
  std::string data;
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ReadToMemory(archive.get(), i, 4096, data), ArchiveResult::PasswordRequired);
  }
}

}  // namespace
}  // namespace update::testing
#endif
