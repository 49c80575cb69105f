#include "common/text_convert.h"

#include <gtest/gtest.h>

namespace update {
namespace {

TEST(TextConvertTest, RoundTripsValidText) {
  const std::string cases[] = {
      "",
      "plain ASCII",
      "选择路径 浏览...",  // CJK, three bytes each
      "Zorvik加速器.lnk",
      "\xF0\x9F\x98\x80 outside the BMP",  // needs a surrogate pair on Windows
      std::string("nul\0inside", 10),
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(WideToUtf8(Utf8ToWide(cases[i])), cases[i]);
  }
}

TEST(TextConvertTest, DecodesToExpectedCodeUnits) {
  EXPECT_EQ(Utf8ToWide("\xE9\x80\x89"), std::wstring(1, wchar_t(0x9009)));  // 选
  const std::wstring smile = Utf8ToWide("\xF0\x9F\x98\x80");
  if (sizeof(wchar_t) == 2) {
    ASSERT_EQ(smile.size(), 2u);
    EXPECT_EQ(smile[0], wchar_t(0xD83D));
    EXPECT_EQ(smile[1], wchar_t(0xDE00));
  } else {
    ASSERT_EQ(smile.size(), 1u);
    EXPECT_EQ(static_cast<char32_t>(smile[0]), char32_t(0x1F600));
  }
}

TEST(TextConvertTest, ReplacesInvalidUtf8WithoutLosingTheRest) {
  const struct {
    std::string input;
    std::wstring expected;
  } cases[] = {
      {"a\xFF" "b", L"a\xFFFD" L"b"},                  // byte that never starts a sequence
      {"\xC0\xAF", L"\xFFFD"},                          // overlong '/', must not become '/'
      {"\xE9\x80", L"\xFFFD\xFFFD"},                    // truncated at the end
      {"\xE9" "A", L"\xFFFD" L"A"},                     // continuation byte missing
      {"\xED\xA0\x80", L"\xFFFD"},                      // encoded surrogate
      {"\xF4\x90\x80\x80", L"\xFFFD"},                  // above U+10FFFF
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Utf8ToWide(cases[i].input), cases[i].expected);
  }
}

TEST(TextConvertTest, ReplacesLoneSurrogates) {
  const std::wstring lone_high = {wchar_t(0xD800), L'x'};
  EXPECT_EQ(WideToUtf8(lone_high), "\xEF\xBF\xBDx");
  const std::wstring lone_low = {wchar_t(0xDC00)};
  EXPECT_EQ(WideToUtf8(lone_low), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace update
