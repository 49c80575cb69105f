// The swap journal: what is written is read back the same, and anything less than a whole
// journal is refused (a crash while it was written must not be taken for a plan).
#include <gtest/gtest.h>

#include <string>

#include "workflow/swap_journal.h"

namespace update {
namespace {

SwapPlan SamplePlan() {
  SwapPlan plan;
  plan.staging = L"C:\\游戏\\Z\\Update.staging";
  plan.backup = L"C:\\游戏\\Z\\Update.backup";
  plan.folders = {L"C:\\游戏\\Z\\bin", L"C:\\游戏\\Z\\bin\\plugins"};
  plan.entries = {
      {L"C:\\游戏\\Z\\bin\\tool.dll", L"C:\\游戏\\Z\\Update.staging\\bin\\tool.dll", L""},
      {L"C:\\游戏\\Z\\Update.exe", L"C:\\游戏\\Z\\Update.staging\\Update.exe",
       L"C:\\游戏\\Z\\Update.exe_old"},
  };
  return plan;
}

bool SamePlan(const SwapPlan& a, const SwapPlan& b) {
  if (a.staging != b.staging || a.backup != b.backup || a.folders != b.folders ||
      a.committed != b.committed || a.entries.size() != b.entries.size()) {
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
    const std::optional<SwapPlan> read = ParseJournal(FormatJournal(plan));
    ASSERT_TRUE(read);
    EXPECT_TRUE(SamePlan(*read, plan));
  }
  const std::string whole = FormatJournal(SamplePlan());
  const auto replaced = [&whole](const std::string& from, const std::string& to) {
    std::string text = whole;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const struct {
    const char* what;
    std::string text;
  } refused[] = {
      {"empty", ""},
      {"cut before the end line", whole.substr(0, whole.size() - 4)},
      {"cut inside the end line", whole.substr(0, whole.size() - 2)},
      {"cut in the middle", whole.substr(0, whole.size() / 2)},
      {"another format", replaced("update-swap-journal 1", "update-swap-journal 2")},
      {"unknown record", replaced("folder\t", "fodler\t")},
      {"a field missing", replaced("\tC:\\游戏\\Z\\Update.exe_old", "")},
      {"an empty field", replaced("C:\\游戏\\Z\\Update.exe_old", "")},
      {"no staging", replaced("staging\tC:\\游戏\\Z\\Update.staging\n", "")},
      {"a record after the commit", replaced("end\n", "committed\nfolder\tC:\\x\nend\n")},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.what);
    EXPECT_FALSE(ParseJournal(row.text));
  }
}

}  // namespace
}  // namespace update
