// The swap journal: what is written is read back the same, and anything less than a whole
// journal is refused (a crash while it was written must not be taken for a plan), as is one
// that names any place outside the install folder (a planted journal must move nothing there).
#include <gtest/gtest.h>

#include <string>

#include "workflow/swap_journal.h"

namespace update {
namespace {

constexpr wchar_t kInstallDir[] = L"C:\\Program Files (x86)\\ZorvikClient\\";

SwapPlan SamplePlan() {
  SwapPlan plan;
  plan.folders = {L"bin", L"bin\\plugins"};
  plan.entries = {
      {L"bin\\tool.dll", L"Update.staging\\bin\\tool.dll", L""},
      {L"资料\\说明.txt", L"Update.staging\\资料\\说明.txt", L"Update.backup\\资料\\说明.txt"},
      {L"Update.exe", L"Update.staging\\Update.exe", L"Update.exe_old"},
  };
  return plan;
}

bool SamePlan(const SwapPlan& a, const SwapPlan& b) {
  if (a.folders != b.folders || a.committed != b.committed ||
      a.entries.size() != b.entries.size()) {
    return false;
  }
  for (size_t i = 0; i < a.entries.size(); ++i) {
    if (a.entries[i].target != b.entries[i].target || a.entries[i].staged != b.entries[i].staged ||
        a.entries[i].backup != b.entries[i].backup) {
      return false;
    }
  }
  return true;
}

TEST(SwapJournalTest, ReadsBackWhatItWroteAndRefusesLess) {
  for (const bool committed : {false, true}) {
    SwapPlan plan = SamplePlan();
    plan.committed = committed;
    const JournalReading read = ParseJournal(FormatJournal(plan), kInstallDir);
    ASSERT_TRUE(read.plan) << read.refusal;
    EXPECT_TRUE(SamePlan(*read.plan, plan));
  }
  const std::string whole = FormatJournal(SamplePlan());
  const auto replaced = [&whole](const std::string& from, const std::string& to) {
    std::string text = whole;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::string backup = "Update.backup\\资料\\说明.txt";
  const struct {
    const char* what;
    std::string text;
    const char* refusal;
  } refused[] = {
      {"empty", "", "not whole"},
      {"cut before the end line", whole.substr(0, whole.size() - 4), "not whole"},
      {"cut inside the end line", whole.substr(0, whole.size() - 2), "not whole"},
      {"cut in the middle", whole.substr(0, whole.size() / 2), "not whole"},
      {"names of this format under the earlier one's header",
       replaced("update-swap-journal 2", "update-swap-journal 1"), "not a place inside"},
      {"another program's", replaced("update-swap-journal 2", "update-swap-journal 3"), "format"},
      {"unknown record", replaced("folder\t", "fodler\t"), "line 2 is not a record"},
      {"a field missing", replaced("\tUpdate.exe_old", ""), "line 6 is not a record"},
      {"an empty field", replaced("Update.exe_old", ""), "not a name inside"},
      {"a record after the commit", replaced("end\n", "committed\nfolder\tx\nend\n"), "follows"},
      // Each of these would reach outside the install folder, or into a file's stream.
      {"a drive", replaced(backup, "C:\\victim.txt"), "\"C:\\victim.txt\""},
      {"a drive-relative path", replaced(backup, "C:victim.txt"), "not a name inside"},
      {"a root", replaced(backup, "\\victim.txt"), "not a name inside"},
      {"a share", replaced(backup, "\\\\server\\share\\x"), "not a name inside"},
      {"a device", replaced(backup, "\\\\?\\C:\\x"), "not a name inside"},
      {"a way up", replaced(backup, "Update.backup\\..\\..\\victim.txt"), "not a name inside"},
      {"a way up with a trailing dot", replaced(backup, "bin\\...\\x"), "not a name inside"},
      {"a way up in a slash", replaced(backup, "Update.backup/../../x"), "not a name inside"},
      {"a stream", replaced(backup, "bin\\tool.dll:hidden"), "not a name inside"},
      {"an empty level", replaced(backup, "bin\\\\x"), "not a name inside"},
      {"a trailing backslash", replaced(backup, "bin\\"), "not a name inside"},
      {"a folder outside", replaced("folder\tbin\n", "folder\tC:\\Windows\n"), "line 2 names"},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.what);
    const JournalReading read = ParseJournal(row.text, kInstallDir);
    EXPECT_FALSE(read.plan);
    EXPECT_NE(read.refusal.find(row.refusal), std::string::npos) << read.refusal;
  }
}

// A journal the earlier release wrote, of whole paths: replayed when every path lies inside the
// install folder, refused otherwise.
TEST(SwapJournalTest, ReadsTheEarlierFormatOfWholePaths) {
  const std::string folder = "C:\\Program Files (x86)\\ZorvikClient\\";
  const std::string earlier =
      "update-swap-journal 1\n"
      "staging\t" +
      folder +
      "Update.staging\n"
      "backup\t" +
      folder +
      "Update.backup\n"
      "folder\t" +
      folder +
      "bin\n"
      "folder\t" +
      folder +
      "bin\\plugins\n"
      "new\t" +
      folder + "bin\\tool.dll\t" + folder +
      "Update.staging\\bin\\tool.dll\n"
      "replace\t" +
      folder + "资料\\说明.txt\t" + folder + "Update.staging\\资料\\说明.txt\t" + folder +
      "Update.backup\\资料\\说明.txt\n"
      "replace\t" +
      folder + "Update.exe\t" + folder + "Update.staging\\Update.exe\t" + folder +
      "Update.exe_old\n"
      "end\n";
  const JournalReading read = ParseJournal(earlier, kInstallDir);
  ASSERT_TRUE(read.plan) << read.refusal;
  EXPECT_TRUE(SamePlan(*read.plan, SamplePlan()));
  const JournalReading otherCase =
      ParseJournal(earlier, L"c:\\program files (x86)\\zorvikclient\\");
  EXPECT_TRUE(otherCase.plan) << "the folder's letter case is not the journal's";
  const auto replaced = [&earlier](const std::string& from, const std::string& to) {
    std::string text = earlier;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const struct {
    const char* what;
    std::string text;
    const char* refusal;
  } refused[] = {
      {"a file of another folder", replaced(folder + "Update.backup\\资料", "C:\\Windows\\资料"),
       "line 7 names"},
      {"a way up from the folder",
       replaced(folder + "Update.backup\\资料", folder + "..\\..\\资料"), "not a place inside"},
      {"the folder itself", replaced(folder + "bin\n", folder + "\n"), "not a place inside"},
      {"a staging folder elsewhere", replaced(folder + "Update.staging\n", folder + "bin\n"),
       "line 2 is not a record"},
      {"no backup line", replaced("backup\t" + folder + "Update.backup\n", ""),
       "swap's own folders"},
      {"cut short", earlier.substr(0, earlier.size() - 3), "not whole"},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.what);
    const JournalReading reading = ParseJournal(row.text, kInstallDir);
    EXPECT_FALSE(reading.plan);
    EXPECT_NE(reading.refusal.find(row.refusal), std::string::npos) << reading.refusal;
    EXPECT_FALSE(ParseJournal(row.text, L"D:\\Elsewhere\\").plan);
  }
  EXPECT_FALSE(ParseJournal(earlier, L"D:\\Elsewhere\\").plan) << "another install folder";
}

}  // namespace
}  // namespace update
