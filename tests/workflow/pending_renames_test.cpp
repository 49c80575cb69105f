// The system's list of renames at its next start is shared with every installer on the machine:
// ours goes in and out, and nothing of anyone else's changes.
#include "workflow/pending_renames.h"

#include <gtest/gtest.h>

#include <string>

namespace update {
namespace {

using namespace std::string_literals;

const std::wstring kFolder = L"C:\\Z\\";
const std::wstring kFrom = L"C:\\Z\\Update.exe_old";
const std::wstring kTo = L"C:\\Z\\Update.exe";
const std::wstring kOurs = L"\\??\\C:\\Z\\Update.exe_old\0\\??\\C:\\Z\\Update.exe\0"s;
// Another installer's: a delete (an empty target) and a replacing rename.
const std::wstring kTheirs = L"\\??\\C:\\T\\a.tmp\0\0\\??\\C:\\T\\b.new\0!\\??\\C:\\T\\b\0"s;
// Renames that touch the folder but leave it, or only look like it: not ours.
const std::wstring kAcross =
    L"\\??\\C:\\Z\\a\0\\??\\C:\\T\\a\0\\??\\C:\\T\\b\0\\??\\C:\\Z\\b\0"s
    L"\\??\\C:\\Z\\c\0\0\\??\\C:\\Zed\\d\0\\??\\C:\\Zed\\e\0"s;

TEST(PendingRenamesTest, OursComesAndGoesTheirsStay) {
  const struct {
    const char* what;
    std::wstring value;
    std::wstring with;     // WithPendingRename
    std::wstring without;  // WithoutPendingRenamesInside of `value`
  } rows[] = {
      {"no list", L"", kOurs + L'\0', L""},
      {"another's list", kTheirs + L'\0', kTheirs + kOurs + L'\0', kTheirs + L'\0'},
      {"ours between theirs", kTheirs + kOurs + kTheirs + L'\0',
       kTheirs + kOurs + kTheirs + kOurs + L'\0', kTheirs + kTheirs + L'\0'},
      {"ours alone", kOurs + L'\0', kOurs + kOurs + L'\0', L""},
      {"ours in another letter case, replacing",
       L"\\??\\c:\\z\\UPDATE.EXE_OLD\0!\\??\\C:\\z\\Update.exe\0\0"s,
       L"\\??\\c:\\z\\UPDATE.EXE_OLD\0!\\??\\C:\\z\\Update.exe\0"s + kOurs + L'\0', L""},
      {"renames across the folder's edge", kAcross + L'\0', kAcross + kOurs + L'\0',
       kAcross + L'\0'},
      {"a list without its last NUL", kTheirs, kTheirs + kOurs + L'\0', kTheirs},
      {"a source cut off", kTheirs + L"\\??\\C:\\Z\\c"s, kTheirs + kOurs + L'\0',
       kTheirs + L"\\??\\C:\\Z\\c"s},
      {"a source without its target, after ours", kOurs + L"\\??\\C:\\Z\\c\0"s,
       kOurs + kOurs + L'\0', L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(WithPendingRename(row.value, kFrom, kTo), row.with);
    EXPECT_EQ(WithoutPendingRenamesInside(row.value, kFolder), row.without);
    EXPECT_EQ(WithoutPendingRenamesInside(row.with, kFolder).find(kOurs), std::wstring::npos);
  }
}

}  // namespace
}  // namespace update
