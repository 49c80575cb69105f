// The swap journal: what is written is read back the same, and anything less than a whole
// journal is refused (a crash while it was written must not be taken for a plan), as is one
// that names any place outside the install folder (a planted journal must move nothing there).
#include <gtest/gtest.h>

#include <string>

#include "workflow/swap_journal.h"

namespace update {
namespace {

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
    const JournalReading read = ParseJournal(FormatJournal(plan));
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
      {"the earlier format, of absolute paths",
       replaced("update-swap-journal 2", "update-swap-journal 1"), "format"},
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
    const JournalReading read = ParseJournal(row.text);
    EXPECT_FALSE(read.plan);
    EXPECT_NE(read.refusal.find(row.refusal), std::string::npos) << read.refusal;
  }
}

}  // namespace
}  // namespace update
