// The named-ID table: registration rules and lookups.
#include "toolkit/core/named_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uires/main_window_ids.h"

namespace {

using toolkit::NamedId;
using toolkit::NamedIdTable;

TEST(NamedIdTableTest, FindsEveryRowOfTheMainWindowTable) {
  const auto& rows = update::MainWindowNamedIds();
  NamedIdTable table;
  ASSERT_TRUE(table.Register(rows.data(), rows.size(), true));
  EXPECT_EQ(table.Size(), 23u);
  for (const NamedId& row : rows) {
    SCOPED_TRACE(std::string(row.name));
    EXPECT_EQ(table.Find(row.name), row.id);
  }
  EXPECT_EQ(table.Find("btn_close"), 65538);
  EXPECT_EQ(table.Find("mygame_radio_1"), 601);
}

TEST(NamedIdTableTest, MatchesNamesExactly) {
  const auto& rows = update::MainWindowNamedIds();
  NamedIdTable table;
  ASSERT_TRUE(table.Register(rows.data(), rows.size(), true));
  const char* const misses[] = {"BTN_CLOSE", "btn_close ", " btn_close", "btn_clos",  "img_3",
                                "",          "a",          "zzz",        "mainWindow"};
  for (const char* name : misses) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(table.Find(name).has_value());
  }
}

TEST(NamedIdTableTest, SortsRowsGivenUnsorted) {
  const NamedId rows[] = {{"window_main", 3}, {"btn_min", 1}, {"progress", 2}};
  NamedIdTable table;
  ASSERT_TRUE(table.Register(rows, std::size(rows), false));
  EXPECT_EQ(table.Find("btn_min"), 1);
  EXPECT_EQ(table.Find("progress"), 2);
  EXPECT_EQ(table.Find("window_main"), 3);
}

TEST(NamedIdTableTest, RefusesBadTablesAndKeepsThePreviousOne) {
  const std::string longest(51, 'n');
  const std::string tooLong(52, 'n');
  std::string cjkLongest;
  for (int i = 0; i < 51; ++i) cjkLongest += "选";  // 51 UTF-16 units, 153 bytes
  std::string astralTooLong(25, 'a');
  for (int i = 0; i < 13; ++i) astralTooLong += "\xF0\x9F\x98\x80";  // 25 + 26 = 51 units
  astralTooLong += "a";                                              // 52
  const struct {
    std::vector<NamedId> rows;
    bool sorted;
    bool accepted;
  } cases[] = {
      {{{"a", 1}, {"b", 2}}, true, true},
      {{{"b", 2}, {"a", 1}}, true, false},  // claimed sorted but is not
      {{{"b", 2}, {"a", 1}}, false, true},
      {{{"a", 1}, {"a", 2}}, true, false},  // a name twice
      {{{"b", 1}, {"a", 2}, {"b", 3}}, false, false},
      {{{"", 1}}, false, false},
      {{{longest, 1}}, true, true},
      {{{tooLong, 1}}, true, false},
      {{{cjkLongest, 1}}, true, true},
      {{{astralTooLong, 1}}, true, false},
      {{}, true, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const NamedId previous[] = {{"kept", 7}};
    NamedIdTable table;
    ASSERT_TRUE(table.Register(previous, 1, true));
    const auto& rows = cases[i].rows;
    EXPECT_EQ(table.Register(rows.data(), rows.size(), cases[i].sorted), cases[i].accepted);
    if (cases[i].accepted) {
      EXPECT_EQ(table.Size(), rows.size());
      EXPECT_FALSE(table.Find("kept").has_value());
      for (const NamedId& row : rows) EXPECT_EQ(table.Find(row.name), row.id);
    } else {
      EXPECT_EQ(table.Size(), 1u);
      EXPECT_EQ(table.Find("kept"), 7);
    }
  }
}

TEST(NamedIdTableTest, KeepsItsOwnCopyOfTheNames) {
  NamedIdTable table;
  {
    std::string name = "transient";
    const NamedId rows[] = {{name, 5}};
    ASSERT_TRUE(table.Register(rows, 1, true));
    name.assign("overwrite");
  }
  EXPECT_EQ(table.Find("transient"), 5);
}

}  // namespace
