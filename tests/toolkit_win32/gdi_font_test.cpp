#include "toolkit/win32/gdi_font.h"

#include <gtest/gtest.h>

namespace {

toolkit::FontRequest Request(int height, bool bold, bool italic, bool underline, bool strike,
                             int weight, int charset, const char* face) {
  toolkit::FontRequest request;
  request.style.SetHeight(height);
  request.style.SetBold(bold);
  request.style.SetItalic(italic);
  request.style.SetUnderline(underline);
  request.style.SetStrike(strike);
  request.style.SetWeight(weight);
  request.style.SetCharset(charset);
  request.face = face;
  return request;
}

TEST(GdiFontTest, LogFontFollowsTheStyleWord) {
  const struct {
    toolkit::FontRequest request;
    LONG height, weight;
    BYTE italic, underline, strike, charset;
    const wchar_t* face;
  } rows[] = {
      {Request(14, false, false, false, false, 0, 0, "微软雅黑"), -14, FW_NORMAL, 0, 0, 0, 0,
       L"微软雅黑"},
      {Request(18, true, false, false, false, 0, 134, "宋体"), -18, FW_BOLD, 0, 0, 0, 134, L"宋体"},
      {Request(12, false, true, true, true, 0, 1, ""), -12, FW_NORMAL, 1, 1, 1, 1, L""},
      // An explicit weight wins over the bold bit.
      {Request(20, true, false, false, false, 300, 0, "Arial"), -20, 300, 0, 0, 0, 0, L"Arial"},
      // Faces longer than LF_FACESIZE - 1 are cut.
      {Request(15, false, false, false, false, 0, 0, "abcdefghijklmnopqrstuvwxyz0123456789"), -15,
       FW_NORMAL, 0, 0, 0, 0, L"abcdefghijklmnopqrstuvwxyz01234"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const LOGFONTW font = toolkit::MakeLogFont(rows[i].request);
    EXPECT_EQ(font.lfHeight, rows[i].height);
    EXPECT_EQ(font.lfWeight, rows[i].weight);
    EXPECT_EQ(font.lfItalic, rows[i].italic);
    EXPECT_EQ(font.lfUnderline, rows[i].underline);
    EXPECT_EQ(font.lfStrikeOut, rows[i].strike);
    EXPECT_EQ(font.lfCharSet, rows[i].charset);
    EXPECT_STREQ(font.lfFaceName, rows[i].face);
  }
}

}  // namespace
