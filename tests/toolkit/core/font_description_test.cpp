#include "toolkit/core/font_description.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

// The package's default font: face 宋体, size 15.
DefaultFont PackageDefault() {
  DefaultFont font;
  font.face = "宋体";
  font.style.SetHeight(15);
  return font;
}

TEST(FontDescriptionTest, StartsFromTheDefaultAndAppliesPieces) {
  const struct {
    const char* description;
    int scale;
    const char* face;
    int height;
    bool bold;
    bool italic;
    bool underline;
    bool strike;
  } cases[] = {
      // The package's own descriptions.
      {"face:微软雅黑,bold:0,size:14", 100, "微软雅黑", 14, false, false, false, false},
      {"adding:0", 100, "宋体", 15, false, false, false, false},
      {"face:微软雅黑,bold:0,size:12,underline:1,italic:0", 100, "微软雅黑", 12, false, false, true,
       false},
      {"italic:1", 100, "宋体", 15, false, true, false, false},
      {"underline:1,italic:1", 100, "宋体", 15, false, true, true, false},
      {"", 100, "宋体", 15, false, false, false, false},
      // The first occurrence of a key wins; any value but "0" sets a style bit.
      {"bold:1,bold:0", 100, "宋体", 15, true, false, false, false},
      {"bold:0,bold:1", 100, "宋体", 15, false, false, false, false},
      {"bold:yes", 100, "宋体", 15, true, false, false, false},
      {"strike:1", 100, "宋体", 15, false, false, false, true},
      {"size:14,size:20", 100, "宋体", 14, false, false, false, false},
      // Height: size when given, else the scaled default plus adding.
      {"size:14,adding:3", 100, "宋体", 14, false, false, false, false},
      {"adding:3,size:14", 100, "宋体", 14, false, false, false, false},
      {"adding:2", 150, "宋体", 24, false, false, false, false},
      {"", 150, "宋体", 22, false, false, false, false},
      {"adding:2dp", 150, "宋体", 25, false, false, false, false},
      {"size:0,adding:5", 100, "宋体", 20, false, false, false, false},
      {"size:14dp", 150, "宋体", 21, false, false, false, false},
      {"size:14px", 150, "宋体", 14, false, false, false, false},
      {"size:-5", 100, "宋体", 0, false, false, false, false},       // the field has no sign
      {"size:9999", 100, "宋体", 4095, false, false, false, false},  // nor more than 12 bits
      {"adding:-20", 100, "宋体", 0, false, false, false, false},
      // The text is lower-cased; white space around keys and values does not count.
      {"FACE:Microsoft YaHei,BOLD:1", 100, "microsoft yahei", 15, true, false, false, false},
      {" bold : 1 , size : 13 ", 100, "宋体", 13, true, false, false, false},
      // Pieces without exactly one ":" are dropped.
      {"face:a:b", 100, "宋体", 15, false, false, false, false},
      {"bold", 100, "宋体", 15, false, false, false, false},
      {",,size:16,", 100, "宋体", 16, false, false, false, false},
      {"face:", 100, "宋体", 15, false, false, false, false},  // empty face: the default's
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].description);
    const FontRequest request =
        ParseFontDescription(cases[i].description, cases[i].scale, PackageDefault());
    EXPECT_EQ(request.face, cases[i].face);
    EXPECT_EQ(request.style.Height(), cases[i].height);
    EXPECT_EQ(request.style.Bold(), cases[i].bold);
    EXPECT_EQ(request.style.Italic(), cases[i].italic);
    EXPECT_EQ(request.style.Underline(), cases[i].underline);
    EXPECT_EQ(request.style.Strike(), cases[i].strike);
  }
}

TEST(FontDescriptionTest, StyleWordHasTheDocumentedBits) {
  const FontRequest request = ParseFontDescription(
      "size:14,bold:1,italic:1,underline:1,strike:1,weight:700,charset:134", 100, PackageDefault());
  EXPECT_EQ(request.style.Word(),
            (14u << 20) | (1u << 19) | (1u << 18) | (1u << 17) | (1u << 16) | (175u << 8) | 134u);
}

TEST(FontDescriptionTest, ReadsWeightAndCharset) {
  const struct {
    const char* description;
    int weight;
    int charset;
  } cases[] = {
      {"weight:700", 700, 0},   {"weight:401", 400, 0},  // (401 + 2) / 4 = 100
      {"weight:402", 404, 0},   {"weight:-50", 0, 0},
      {"weight:5000", 1020, 0},  // the field holds 255 at most
      {"weight:bold", 0, 0},    {"charset:134", 0, 134},
      {"charset:300", 0, 255},  {"charset:-1", 0, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].description);
    const FontRequest request = ParseFontDescription(cases[i].description, 100, PackageDefault());
    EXPECT_EQ(request.style.Weight(), cases[i].weight);
    EXPECT_EQ(request.style.Charset(), cases[i].charset);
    EXPECT_EQ(request.style.Height(), 15);  // the other fields are untouched
  }
}

TEST(FontDescriptionTest, KeepsTheDefaultsOtherStyleBits) {
  DefaultFont bold_default = PackageDefault();
  bold_default.style.SetBold(true);
  bold_default.style.SetCharset(134);
  bold_default.name = "default";
  EXPECT_TRUE(ParseFontDescription("size:9", 100, bold_default).style.Bold());
  EXPECT_FALSE(ParseFontDescription("bold:0", 100, bold_default).style.Bold());
  EXPECT_EQ(ParseFontDescription("", 100, bold_default).style.Charset(), 134);
  EXPECT_EQ(ParseFontDescription("", 100, bold_default).name, "default");
  EXPECT_EQ(ParseFontDescription("name:title", 100, bold_default).name, "title");
}

TEST(FontDescriptionTest, UnknownKeysBecomeExtraProperties) {
  const FontRequest request =
      ParseFontDescription("name:caption,blur:2,blur:3,Shadow:1", 100, PackageDefault());
  EXPECT_EQ(request.name, "caption");
  const std::map<std::string, std::string> expected = {{"blur", "2"}, {"shadow", "1"}};
  EXPECT_EQ(request.properties, expected);
}

}  // namespace
}  // namespace toolkit
