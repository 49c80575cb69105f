#include "toolkit/core/string_value.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

TEST(StringValueTest, ReplacesReferencesFromTheTable) {
  StringTable table;  // as the package ships it
  table.Add("title", "");
  table.Add("ver", "1.0");
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"@string/title", ""},
      {"@string/ver", "1.0"},
      {"title", "title"},
      {"", ""},
      {"选择路径", "选择路径"},
      // A missing name shows as written, never as an empty text.
      {"@string/missing", "@string/missing"},
      {"@string/", "@string/"},
      {"@string/Title", "@string/Title"},  // names are exact
      {"@STRING/ver", "@STRING/ver"},      // so is the prefix
      {" @string/ver", " @string/ver"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].text);
    EXPECT_EQ(ParseStringValue(cases[i].text, table), cases[i].expected);
  }
}

TEST(StringValueTest, LaterEntryReplacesEarlierOne) {
  StringTable table;
  table.Add("a", "first");
  table.Add("a", "second");
  EXPECT_EQ(ParseStringValue("@string/a", table), "second");
  EXPECT_EQ(table.Find("a"), std::optional<std::string>("second"));
}

}  // namespace
}  // namespace toolkit
