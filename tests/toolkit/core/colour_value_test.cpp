#include "toolkit/core/colour_value.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

// The colour table as the package ships it.
ColourTable PackageColours() {
  ColourTable table;
  EXPECT_TRUE(table.Add("red", "rgb(255,0,0)"));
  EXPECT_TRUE(table.Add("green", "rgb(0,255,0)"));
  EXPECT_TRUE(table.Add("blue", "rgb(0,0,255)"));
  EXPECT_TRUE(table.Add("white", "rgb(255,255,255)"));
  EXPECT_TRUE(table.Add("gray", "#808080"));
  return table;
}

TEST(ColourValueTest, ReadsLiteralsAndTableReferences) {
  const ColourTable table = PackageColours();
  const struct {
    const char* text;
    Colour expected;
  } cases[] = {
      {"#808080", 0xFF808080},
      {"#80808080", 0x80808080},
      {"#385e8b", 0xFF8B5E38},  // red in the low byte
      {"#6C8BA9", 0xFFA98B6C},  // upper-case digits
      {"#000000", 0xFF000000},
      {"#ffffff00", 0x00FFFFFF},  // transparent white is the no-colour value
      {"#12345", 0xFF053412},     // three fields: 12, 34, 5
      {"#fff", kNoColour},        // two fields
      {"#", kNoColour},
      {"RGB(1,2,3)", 0xFF030201},
      {"rgb(255,0,0)", 0xFF0000FF},
      {"rgb( 1, 2, 3)", 0xFF030201},
      {"rgb(1,2,3,4)", 0xFF030201},  // rgb reads three
      {"rgba(1,2,3)", 0xFF030201},   // three fields are enough
      {"rgba(1,2,3,4)", 0x04030201},
      {"rgb(300,-5,99999999999)", 0xFFFF00FF},  // out-of-range components are clamped
      {"rgb(1,2)", kNoColour},
      {"rgb(1 ,2,3)", kNoColour},  // the comma must follow the number
      {"rgb 1,2,3", kNoColour},
      {"red", kNoColour},
      {"", kNoColour},
      {"@color/red", 0xFF0000FF},
      {"@color/gray", 0xFF808080},
      {"@color/missing", kNoColour},
      {"@color/", kNoColour},
      {"@color/RED", kNoColour},  // table names are exact
      {"@COLOR/red", kNoColour},  // so is the prefix; the text is not a literal either
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].text);
    EXPECT_EQ(ParseColourValue(cases[i].text, table), cases[i].expected);
  }
}

TEST(ColourValueTest, TableRefusesUnreadableEntries) {
  ColourTable table;
  EXPECT_FALSE(table.Add("bad", "#fff"));
  EXPECT_FALSE(table.Add("ref", "@color/red"));
  EXPECT_TRUE(table.Empty());
  EXPECT_TRUE(table.Add("c", "#010203"));
  EXPECT_TRUE(table.Add("c", "#040506"));  // a later entry replaces the earlier one
  EXPECT_EQ(table.Find("c"), Colour{0xFF060504});
  EXPECT_FALSE(table.Find("bad").has_value());
}

}  // namespace
}  // namespace toolkit
