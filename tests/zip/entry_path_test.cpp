#include "zip/entry_path.h"

#include <gtest/gtest.h>

namespace update::zip {
namespace {

TEST(EntryPathTest, CleansStoredNames) {
  const struct {
    const wchar_t* stored;
    const wchar_t* cleaned;
  } cases[] = {
      {L"plain.txt", L"plain.txt"},
      {L"dir/sub/file.txt", L"dir/sub/file.txt"},
      {L"C:\\evil\\x.txt", L"evil\\x.txt"},
      {L"/abs/x", L"abs/x"},
      {L"\\\\server\\share\\x", L"server\\share\\x"},
      {L"x\\..\\..\\..\\y\\f.txt", L"y\\f.txt"},
      {L"a/../b/../c.txt", L"c.txt"},
      {L"a\\../b.txt", L"b.txt"},
      {L"a/..\\b.txt", L"b.txt"},
      {L"C:/D:/x", L"x"},
      {L"dir/", L"dir/"},
      // Leading parent steps are stripped as well, so nothing climbs out of the base folder.
      {L"a\\..\\..\\b.txt", L"b.txt"},
      {L"../x", L"x"},
      {L"..\\..\\x", L"x"},
      {L"../C:/x", L"x"},
      {L"./x", L"./x"},
      {L"..", L".."},  // no separator: left for the target check, which refuses it
      {L"..x/y", L"..x/y"},
      {L"a..b/c", L"a..b/c"},
      {L"", L""},
      {L"选择/文件.txt", L"选择/文件.txt"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(CleanEntryName(cases[i].stored), cases[i].cleaned);
  }
}

TEST(EntryPathTest, TellsAbsolutePaths) {
  const struct {
    const wchar_t* path;
    bool absolute;
  } cases[] = {
      {L"\\x", true}, {L"/x", true},     {L"C:\\x", true}, {L"z:", true},
      {L"x", false},  {L"1:\\x", false}, {L"", false},     {L"x/C:", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(IsAbsolutePath(cases[i].path), cases[i].absolute);
  }
}

TEST(EntryPathTest, RefusesPathsThatLeaveTheirFolder) {
  const struct {
    const wchar_t* path;
    bool inside;
  } cases[] = {
      {L"x.txt", true},
      {L"a/b/c.txt", true},
      {L"a/../b.txt", true},
      {L"a\\b\\..\\..\\c", true},
      {L"./x", true},
      {L"a//b", true},
      {L"a/..", true},
      {L"", true},
      {L"..", false},
      {L"../x", false},
      {L"..\\x", false},
      {L"a/../../x", false},
      {L"a\\..\\.\\..\\x", false},
      {L"a/b/../../../x", false},
      {L"...", false},    // Windows trims trailing dots: not a name to trust
      {L".. /x", false},  // nor trailing spaces
      {L"a/. ./x", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(StaysInside(cases[i].path), cases[i].inside);
  }
}

}  // namespace
}  // namespace update::zip
