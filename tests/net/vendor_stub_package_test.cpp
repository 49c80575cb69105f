// Native only: the packages vendor-stub makes, read back with the installer's own zip reader
// and with Debian's unzip, and the package options it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "common/text_convert.h"
#include "net/http_post.h"
#include "stub_fetch.h"
#include "stub_process.h"
#include "zip/archive.h"

namespace update {
namespace {

namespace fs = std::filesystem;
using testing::Fetch;
using testing::StubProcess;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteFile(const fs::path& path, const std::string& data) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

std::string Bytes(size_t size, unsigned seed) {
  std::string data(size, '\0');
  unsigned state = seed;
  for (char& byte : data) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  return data;
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

struct Item {
  bool folder = false;
  std::int64_t size = 0;
  std::string data;  // of files
};

// Every item of the archive at `path` as the installer unpacks it: by the reader, each under its
// own cleaned name below `out`. Nothing when the archive does not open or an item fails.
std::optional<std::map<std::string, Item>> Unpack(const fs::path& path, const fs::path& out) {
  UniqueArchive archive(openArchiveFile(Utf8ToWide(path.u8string()).c_str(), nullptr));
  if (!archive) {
    ADD_FAILURE() << "the reader does not open " << path;
    return std::nullopt;
  }
  fs::create_directories(out);
  const std::wstring base = Utf8ToWide(out.u8string() + "/");
  EXPECT_EQ(setExtractBaseFolder(archive.get(), base.c_str()), ArchiveResult::Success);
  ArchiveEntry count{};
  EXPECT_EQ(getArchiveEntry(archive.get(), -1, &count), ArchiveResult::Success);
  std::map<std::string, Item> items;
  for (int i = 0; i < count.index; ++i) {
    ArchiveEntry entry{};
    const ArchiveResult got = getArchiveEntry(archive.get(), i, &entry);
    const ArchiveResult extracted = extractEntryToFile(archive.get(), i, entry.name);
    const std::string name = WideToUtf8(entry.name);
    if (got != ArchiveResult::Success || extracted != ArchiveResult::Success) {
      ADD_FAILURE() << "item " << i << " (" << name << ") does not unpack";
      return std::nullopt;
    }
    Item item;
    item.folder = (entry.attributes & kArchiveAttributeDirectory) != 0;
    item.size = entry.uncompressedSize;
    if (!item.folder) item.data = ReadFile(out / fs::u8path(name));
    items[name] = item;
  }
  return items;
}

// Sets TMPDIR for the stubs started in its lifetime, and restores it.
class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const fs::path& folder) {
    if (const char* old = std::getenv("TMPDIR")) m_old = old;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (m_old) {
      setenv("TMPDIR", m_old->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> m_old;
};

class VendorStubPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    m_folder = fs::path(::testing::TempDir()) /
               ("vendor-stub-package-test-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_folder);
    fs::create_directories(stubTemp());
  }
  void TearDown() override { fs::remove_all(m_folder); }

  // Where the stubs of this test put their work folders.
  fs::path stubTemp() const { return m_folder / "stub-temp"; }

  // Downloads the package of `stub` into `name` below this test's folder.
  fs::path Download(const StubProcess& stub, const std::string& name) {
    const testing::Transfer package = Fetch(stub.baseUrl() + "/package/full");
    EXPECT_EQ(package.code, CURLE_OK);
    const fs::path path = m_folder / name;
    WriteFile(path, package.body);
    return path;
  }

  // Runs the stub with `arguments` to its end and returns its exit status.
  int RunStub(const std::vector<std::string>& arguments) {
    std::string command = "TMPDIR=" + Quoted(stubTemp().string()) + " " VENDOR_STUB_PATH;
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path m_folder;
};

TEST_F(VendorStubPackageTest, GeneratesAZipOfAboutTheAskedSize) {
  const struct {
    std::uint64_t bytes;
    bool sizeHolds;  // false: the fixed items alone are larger
  } cases[] = {{1, false}, {300000, true}, {3000000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    StubProcess stub({"--package-bytes", std::to_string(c.bytes)});
    ASSERT_GT(stub.port(), 0);
    const fs::path zip = Download(stub, "package.zip");
    const std::uint64_t size = fs::file_size(zip);
    if (c.sizeHolds) {
      EXPECT_GE(size, c.bytes - c.bytes / 100);
      EXPECT_LE(size, c.bytes + c.bytes / 100);
    }
    EXPECT_EQ(std::system(("unzip -tq " + Quoted(zip.string()) + " >/dev/null").c_str()), 0);

    const auto items = Unpack(zip, m_folder / "out" / std::to_string(c.bytes));
    ASSERT_TRUE(items);
    EXPECT_GE(items->size(), 15u);
    const struct {
      const char* name;
      bool folder;
    } named[] = {{u8"资料/", true},
                 {u8"资料/说明.txt", false},
                 {"config/empty.cfg", false},
                 {"plugins/", true},
                 {"data/level1/level2/level3/", true},
                 {"data/level1/level2/level3/nested.txt", false},
                 {"readme.txt", false}};
    for (const auto& n : named) {
      SCOPED_TRACE(n.name);
      ASSERT_EQ(items->count(n.name), 1u);
      EXPECT_EQ(items->at(n.name).folder, n.folder);
    }
    EXPECT_EQ(items->at("config/empty.cfg").size, 0);
    EXPECT_NE(items->at(u8"资料/说明.txt").data.find(u8"测试"), std::string::npos);
    // The bulk is noise: what is unpacked is about what came over the wire.
    std::uint64_t unpacked = 0;
    for (const auto& [name, item] : *items) unpacked += static_cast<std::uint64_t>(item.size);
    if (c.sizeHolds) {
      EXPECT_GE(unpacked, size - size / 100);
    }
  }
}

TEST_F(VendorStubPackageTest, AddsFilesByteForByte) {
  const std::string client = Bytes(70001, 1);
  const std::string updater = Bytes(50000, 2);
  const std::string text(30000, 'a');  // compresses: stored deflated
  WriteFile(m_folder / "in" / "client.exe", client);
  WriteFile(m_folder / "in" / "updater.exe", updater);
  WriteFile(m_folder / "in" / u8"文本.txt", text);
  WriteFile(m_folder / "in" / "empty", "");
  // A given archive with an old updater and an item of its own.
  WriteFile(m_folder / "given-tree" / "Update.exe", "old updater");
  WriteFile(m_folder / "given-tree" / "keep.txt", "kept");
  ASSERT_EQ(std::system(("cd " + Quoted((m_folder / "given-tree").string()) +
                         " && zip -q -r ../given.zip Update.exe keep.txt")
                            .c_str()),
            0);
  const std::string in = (m_folder / "in").string() + "/";
  const std::vector<std::string> additions = {
      "--package-add", "ZorvikClient.exe=" + in + "client.exe",
      "--package-add", "Update.exe=" + in + "updater.exe",
      "--package-add", u8"工具/说明/文本.txt=" + in + u8"文本.txt",
      "--package-add", "logs/empty.log=" + in + "empty"};
  const std::map<std::string, std::string> added = {{"ZorvikClient.exe", client},
                                                    {"Update.exe", updater},
                                                    {u8"工具/说明/文本.txt", text},
                                                    {"logs/empty.log", ""}};
  const struct {
    const char* name;
    std::vector<std::string> base;
    std::vector<std::string> alsoThere;  // items besides the additions
  } cases[] = {
      {"to a generated archive", {"--package-bytes", "200000"}, {u8"资料/说明.txt", "plugins/"}},
      {"to a given archive", {"--package", (m_folder / "given.zip").string()}, {"keep.txt"}},
      {"to no archive", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = c.base;
    arguments.insert(arguments.end(), additions.begin(), additions.end());
    StubProcess stub(arguments);
    ASSERT_GT(stub.port(), 0);
    const auto items = Unpack(Download(stub, "package.zip"), m_folder / "out" / c.name);
    ASSERT_TRUE(items);
    for (const auto& [name, data] : added) {
      SCOPED_TRACE(name);
      ASSERT_EQ(items->count(name), 1u);
      EXPECT_TRUE(items->at(name).data == data) << items->at(name).data.size() << " bytes";
    }
    for (const std::string& name : c.alsoThere) EXPECT_EQ(items->count(name), 1u) << name;
  }
  // The given archive itself is left as it was.
  const auto given = Unpack(m_folder / "given.zip", m_folder / "out" / "given");
  ASSERT_TRUE(given);
  EXPECT_EQ(given->at("Update.exe").data, "old updater");
}

TEST_F(VendorStubPackageTest, RefusesBadPackageOptions) {
  WriteFile(m_folder / "file", "data");
  WriteFile(m_folder / "not-a-zip", "this is not an archive");
  const std::string file = (m_folder / "file").string();
  const struct {
    std::vector<std::string> arguments;
    int status;  // 2: a bad command line; 1: it cannot start
  } cases[] = {
      {{"--package-add", "no-equals-sign"}, 2},
      {{"--package-add", "=" + file}, 2},
      {{"--package-add", "name="}, 2},
      {{"--package-add", "../up.exe=" + file}, 2},
      {{"--package-add", "/abs/up.exe=" + file}, 2},
      {{"--package-add", "bin/=" + file}, 2},
      {{"--package-add", "bin//up.exe=" + file}, 2},
      {{"--package-add", "bin/./up.exe=" + file}, 2},
      {{"--package-add", "bin\\up.exe=" + file}, 2},
      {{"--package-bytes", "0"}, 2},
      {{"--package-bytes", "-5"}, 2},
      {{"--package", file, "--package-bytes", "1000"}, 2},
      {{"--tls-cert", file}, 2},
      {{"--tls-key", file}, 2},
      {{"--reset-at", "101%"}, 2},
      {{"--reset-at", "30%,,70%"}, 2},
      {{"--package-add", "up.exe=" + (m_folder / "missing").string()}, 1},
      {{"--package-add", "up.exe=" + m_folder.string()}, 1},
      {{"--package", (m_folder / "missing").string()}, 1},
      {{"--package", (m_folder / "not-a-zip").string(), "--package-add", "up.exe=" + file}, 1},
      {{"--tls-cert", file, "--tls-key", file}, 1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(RunStub(cases[i].arguments), cases[i].status);
    EXPECT_TRUE(fs::is_empty(stubTemp())) << "a work folder was left behind";
  }
}

TEST_F(VendorStubPackageTest, RemovesItsWorkFolderWhenItEnds) {
  const struct {
    const char* name;
    int signal;  // 0: ends by the idle limit
  } cases[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"idle", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<StubProcess> stub;
    {
      const ScopedTmpDir tmp(stubTemp());
      stub.emplace(std::vector<std::string>{"--package-bytes", "100000", "--idle-seconds", "1"});
    }
    ASSERT_GT(stub->port(), 0);
    EXPECT_FALSE(fs::is_empty(stubTemp()));
    if (c.signal != 0) stub->Signal(c.signal);
    EXPECT_EQ(stub->WaitForExit(std::chrono::seconds(20)), 0);
    EXPECT_TRUE(fs::is_empty(stubTemp()));
  }
}

}  // namespace
}  // namespace update
