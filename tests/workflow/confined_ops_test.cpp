// A folder on the way to what an operation acts on is a link, as it is when someone who can write
// the install folder swaps one in after every check the swap makes: whatever the operation,
// nothing behind the link is made, moved or removed, and the operation fails. The link is a Unix
// symbolic link that the test's fixture puts in place of the install's "bin" (Windows programs
// can neither make one under Wine nor move one: a rename moves what it points at).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/text_convert.h"
#include "workflow/file_ops.h"

namespace update {
namespace {

std::wstring PlantedLinkDir() {
  const char* dir = std::getenv("UPDATE_PLANTED_LINK_DIR");
  return dir ? Utf8ToWide(dir) + L"\\" : std::wstring();
}

// The names in `folder`, each with its contents ("/" for a folder).
std::map<std::wstring, std::string> Listing(const std::wstring& folder) {
  std::map<std::wstring, std::string> names;
  WIN32_FIND_DATAW found = {};
  const FindHandle search(FindFirstFileW((folder + L"*").c_str(), &found));
  if (!search) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    names[name] = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? "/"
                      : ReadWholeFile(folder + name).value_or("<unreadable>");
  } while (FindNextFileW(search.get(), &found));
  return names;
}

void Write(const std::wstring& path, const std::string& text) {
  ASSERT_TRUE(SystemFileOps().WriteDurably(path, text)) << WideToUtf8(path);
}

TEST(ConfinedFileOpsTest, ALinkOnTheWayTakesNothingElsewhere) {
  const std::wstring dir = PlantedLinkDir();
  ASSERT_FALSE(dir.empty()) << "the fixture's link is missing";
  const std::wstring root = dir + L"install\\";
  const std::wstring bin = root + L"bin";
  const std::wstring elsewhere = dir + L"elsewhere\\";
  ASSERT_TRUE(IsLink(bin));
  using Operation = std::function<bool(FileOps&)>;
  const struct {
    const char* what;
    Operation operation;
  } rows[] = {
      {"removing a file", [&](FileOps& ops) { return ops.RemoveFile(bin + L"\\tool.dll"); }},
      {"moving a file aside",
       [&](FileOps& ops) { return ops.Move(bin + L"\\tool.dll", root + L"tool.dll.old"); }},
      {"moving a file in",
       [&](FileOps& ops) { return ops.Move(root + L"staged.dll", bin + L"\\new.dll"); }},
      {"making a folder", [&](FileOps& ops) { return ops.MakeFolder(bin + L"\\sub"); }},
      {"removing a folder", [&](FileOps& ops) { return ops.RemoveFolder(bin + L"\\empty"); }},
      {"writing a journal",
       [&](FileOps& ops) { return ops.WriteDurably(bin + L"\\Update.journal", "journal"); }},
      {"making a file",
       [&](FileOps& ops) { return bool(ops.CreateNewFile(bin + L"\\made.dll", 0)); }},
  };
  Write(root + L"staged.dll", "staged");
  Write(elsewhere + L"tool.dll", "not the updater's");
  ASSERT_TRUE(SystemFileOps().MakeFolder(elsewhere + L"empty"));
  const auto elsewhere_before = Listing(elsewhere);
  const auto root_before = Listing(root);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(row.operation(*FileOpsConfinedTo(root)));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Listing(elsewhere), elsewhere_before);
    EXPECT_EQ(Listing(root), root_before);
  }
  // The same operations on the paths as they come do reach through it: the check is what
  // keeps them out.
  EXPECT_TRUE(SystemFileOps().MakeFolder(bin + L"\\sub"));
  EXPECT_TRUE(IsFolder(elsewhere + L"sub"));
}

}  // namespace
}  // namespace update
