// Creating a folder chain in real folders of the prefix, relative paths resolved against a
// temporary current folder.
#include "sys/folder_chain.h"

#include <gtest/gtest.h>

#include <fstream>

#include "sys_test_support.h"

namespace update {
namespace {

namespace fs = std::filesystem;

// Removes a folder tree the test makes outside its temporary folder.
struct RemoveTree {
  fs::path path;
  ~RemoveTree() {
    std::error_code error;
    fs::remove_all(path, error);
  }
};

TEST(FolderChainTest, CreatesTheMissingLevelsOutermostFirst) {
  const test::TempFolder root;
  const std::wstring top = test::UniqueName(L"UpdateSysTestTop");
  const RemoveTree onDrive{L"C:\\" + top};
  const fs::path previous = fs::current_path();
  fs::current_path(root.path());
  struct Back {
    fs::path to;
    ~Back() { fs::current_path(to); }
  } back{previous};
  fs::create_directories(root.path() / L"have" / L"inner");
  std::ofstream(root.path() / L"file.txt") << "kept";

  const struct {
    std::wstring input;
    bool result;
    std::vector<fs::path> present;
    std::vector<fs::path> absent;
  } cases[] = {
      {root.dir() + L"have\\inner\\", true, {root.path() / L"have" / L"inner"}, {}},
      {L"C:\\" + top + L"\\b\\", true, {L"C:\\" + top + L"\\b"}, {}},
      {root.dir() + L"1\\2\\3\\", true, {root.path() / L"1" / L"2" / L"3"}, {}},
      {L"a\\b\\", false, {}, {root.path() / L"a"}},
      {L"have\\new\\", true, {root.path() / L"have" / L"new"}, {}},
      {L"\\" + top + L"\\lead\\", true, {L"C:\\" + top + L"\\lead"}, {}},
      {root.dir() + L"plain", true, {root.path() / L"plain"}, {}},
      {root.dir() + L"file.txt\\sub\\", true, {}, {root.path() / L"file.txt" / L"sub"}},
      {L"", false, {}, {}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.input));
    EXPECT_EQ(CreateFolderChain(row.input), row.result);
    for (const fs::path& folder : row.present) EXPECT_TRUE(fs::is_directory(folder)) << folder;
    for (const fs::path& folder : row.absent) EXPECT_FALSE(fs::exists(folder)) << folder;
  }
  EXPECT_TRUE(fs::is_regular_file(root.path() / L"file.txt"));
}

}  // namespace
}  // namespace update
