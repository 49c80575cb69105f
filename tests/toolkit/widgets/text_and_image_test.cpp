// The stand-in text measurer and image sizes from PNG headers.
#include <gtest/gtest.h>

#include "widget_test_support.h"

namespace widgets_test {
namespace {

TEST(StandInTextMeasurerTest, WidthByCodePoint) {
  toolkit::FontRequest request;
  request.style.SetHeight(12);
  const toolkit_test::RequestFont font(request);
  const toolkit_test::StandInTextMeasurer measurer;
  const struct {
    const char* text;
    int width;
  } rows[] = {
      {"", 0},          {"a", 6}, {"服务协议", 48}, {"Zorvik加速器", 36 + 36},
      {"\xE6\x9C", 24},  // a cut-off character: two stray bytes
      {"😀", 12},         // four bytes, one code point
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(measurer.MeasureText(rows[i].text, font), (toolkit::Size{rows[i].width, 16}));
  }
}

toolkit::ResourceBytes Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(PngSizeTest, ReadsTheHeaderOnly) {
  const std::string header = std::string("\x89PNG\r\n\x1A\n", 8) +
                             std::string("\0\0\0\x0DIHDR", 8) +
                             std::string("\0\0\x03\x20\0\0\0\x28", 8) +  // 800 x 40
                             std::string("\x08\x06\0\0\0", 5) + std::string("CRC!", 4);
  EXPECT_EQ(toolkit::ReadPngSize(Bytes(header)), (toolkit::Size{800, 40}));
  const struct {
    size_t offset;
    char value;
  } corruptions[] = {{0, 'x'}, {11, 0x0E}, {12, 'i'}, {16, '\x80'}, {19, 0}};
  for (size_t i = 0; i < std::size(corruptions); ++i) {
    SCOPED_TRACE(i);
    std::string bad = header;
    bad[corruptions[i].offset] = corruptions[i].value;
    if (corruptions[i].offset == 19) bad[18] = 0;  // width 0
    EXPECT_EQ(toolkit::ReadPngSize(Bytes(bad)), std::nullopt);
  }
  EXPECT_EQ(toolkit::ReadPngSize(Bytes(header.substr(0, 32))), std::nullopt);
}

TEST(PngSizeTest, PackageImagesByNameInAnyCase) {
  toolkit::FolderResourceProvider package(PackageFolder());
  toolkit::PngImageSource images(package);
  EXPECT_EQ(images.GetImageSize("img:radio选择"), (toolkit::Size{192, 8}));
  EXPECT_EQ(images.GetImageSize("IMG:ButtonLogin"), (toolkit::Size{800, 40}));
  EXPECT_EQ(images.GetImageSize("img:traymenu_icons"), std::nullopt);
  EXPECT_EQ(images.GetImageSize("layout:xml_mainwnd"), std::nullopt);  // not a PNG
}

}  // namespace
}  // namespace widgets_test
