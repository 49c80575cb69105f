// The package's images: sizes, colour types and frame layout as the skins expect them, pixel
// content that decodes, and the window icon.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "package_folder.h"
#include "png_pixels.h"
#include "toolkit/core/folder_resource_provider.h"

namespace {

using uires_test::DecodePng;
using uires_test::PngPixels;

constexpr int kRgb = 2;
constexpr int kRgba = 6;

struct SkinImage {
  const char* skin;
  const char* file;  // in src/uires/img
  std::uint32_t width;
  std::uint32_t height;
  int colourType;
  int states;
  std::uint32_t frameWidth;
  std::uint32_t frameHeight;
};

const SkinImage kSkinImages[] = {
    {"skin_progress_bkg", "PROGRESS_BKG.png", 12, 8, kRgba, 1, 12, 8},
    {"skin_progress_frg", "PROGRESS_FRG.png", 12, 8, kRgba, 1, 12, 8},
    {"skin_sslogo", "SSLOGO.png", 417, 109, kRgba, 1, 417, 109},
    {"skin_min", "MIN.png", 54, 18, kRgba, 3, 18, 18},
    {"skin_close", "CLOSE.png", 54, 18, kRgba, 3, 18, 18},
    {"skin_img_1", "IMG_1.png", 840, 440, kRgb, 1, 840, 440},
    {"skin_img_2", "IMG_2.png", 840, 440, kRgb, 1, 840, 440},
    {"skin_img_3", "IMG_3.png", 840, 440, kRgb, 1, 840, 440},
    {"skin_radio选择", "RADIO选择.png", 192, 8, kRgba, 8, 24, 8},
    {"skin_buttonlogin", "BUTTONLOGIN.png", 800, 40, kRgba, 4, 200, 40},
    {"skin_main_edit", "MAIN_EDIT.png", 330, 20, kRgba, 3, 110, 20},
    {"skin_login_checkbox", "LOGIN_CHECKBOX.png", 112, 14, kRgba, 8, 14, 14},
    {"skin_custom_button", "CUSTOM_BUTTON.png", 330, 32, kRgb, 3, 110, 32},
};

class PackageImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto bytes = m_provider.Load("values:skin");
    ASSERT_TRUE(bytes.has_value());
    ASSERT_TRUE(m_skins.load_buffer(bytes->data(), bytes->size()));
  }

  // The image a skin of the skin table names, loaded by its "img:..." reference.
  std::vector<std::uint8_t> SkinImageBytes(const char* skin) {
    const pugi::xml_node node = m_skins.document_element().find_child_by_attribute("name", skin);
    EXPECT_TRUE(node) << skin;
    const auto bytes = m_provider.Load(node.attribute("src").value());
    EXPECT_TRUE(bytes.has_value()) << node.attribute("src").value();
    return bytes.value_or(std::vector<std::uint8_t>());
  }

  PngPixels Decoded(const char* skin) {
    std::string error;
    const auto pixels = DecodePng(SkinImageBytes(skin), error);
    EXPECT_TRUE(pixels.has_value()) << skin << ": " << error;
    return pixels.value_or(PngPixels());
  }

  toolkit::FolderResourceProvider m_provider{uires_test::PackageFolder()};
  pugi::xml_document m_skins;
};

// Mean absolute difference per channel (0..255) between two equally sized areas.
double MeanDifference(const PngPixels& image, std::uint32_t x1, std::uint32_t x2,
                      std::uint32_t width, const PngPixels& other) {
  double sum = 0;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 4; ++c) sum += std::abs(image.At(x1 + x, y)[c] - other.At(x2 + x, y)[c]);
    }
  }
  return sum / (4.0 * width * image.height);
}

TEST_F(PackageImagesTest, ImagesHaveTheListedSizeColourTypeAndFrames) {
  for (const SkinImage& row : kSkinImages) {
    SCOPED_TRACE(row.skin);
    const pugi::xml_node skin =
        m_skins.document_element().find_child_by_attribute("name", row.skin);
    EXPECT_EQ(skin.attribute("states").as_int(), row.states);
    const auto header = uires_test::ReadPngHeader(SkinImageBytes(row.skin));
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->width, row.width);
    EXPECT_EQ(header->height, row.height);
    EXPECT_EQ(header->bitDepth, 8);
    EXPECT_EQ(header->colourType, row.colourType);
    EXPECT_EQ(header->interlace, 0);
    EXPECT_TRUE(header->endsWithIend) << "truncated file";
    // Frames of equal width side by side.
    EXPECT_EQ(header->width, row.frameWidth * static_cast<std::uint32_t>(row.states));
    EXPECT_EQ(header->height, row.frameHeight);
  }
}

TEST_F(PackageImagesTest, ImageFolderHoldsTheThirteenImagesAndNothingElse) {
  std::set<std::string> expected;
  for (const SkinImage& row : kSkinImages) expected.insert(row.file);
  std::set<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(uires_test::PackagePath() / "img")) {
    found.insert(entry.path().filename().u8string());
  }
  EXPECT_EQ(expected.size(), 13u);
  EXPECT_EQ(found, expected);
}

TEST_F(PackageImagesTest, TrayMenuSkinNamesAnImageThePackageDoesNotHold) {
  const pugi::xml_node skin =
      m_skins.document_element().find_child_by_attribute("name", "skin_traymenu_icons");
  ASSERT_TRUE(skin);
  EXPECT_STREQ(skin.attribute("src").value(), "img:traymenu_icons");
  EXPECT_FALSE(m_provider.Load("img:traymenu_icons").has_value());
}

TEST_F(PackageImagesTest, FramesOfEveryStateDifferVisibly) {
  for (const SkinImage& row : kSkinImages) {
    if (row.states < 2) continue;
    SCOPED_TRACE(row.skin);
    const PngPixels image = Decoded(row.skin);
    ASSERT_EQ(image.width, row.width);
    for (int a = 0; a < row.states; ++a) {
      for (int b = a + 1; b < row.states; ++b) {
        SCOPED_TRACE(testing::Message() << "frames " << a << " and " << b);
        EXPECT_GT(
            MeanDifference(image, a * row.frameWidth, b * row.frameWidth, row.frameWidth, image),
            1.0);
      }
    }
  }
}

TEST_F(PackageImagesTest, BannersAreThreeDifferentPictures) {
  const PngPixels banners[] = {Decoded("skin_img_1"), Decoded("skin_img_2"), Decoded("skin_img_3")};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(banners[i].width, 840u);
    // A picture, not a flat fill: the brightness varies.
    double sum = 0;
    double squares = 0;
    for (std::size_t p = 0; p < banners[i].rgba.size(); p += 4) {
      const double luma =
          0.3 * banners[i].rgba[p] + 0.59 * banners[i].rgba[p + 1] + 0.11 * banners[i].rgba[p + 2];
      sum += luma;
      squares += luma * luma;
    }
    const double count = banners[i].rgba.size() / 4.0;
    EXPECT_GT(std::sqrt(squares / count - (sum / count) * (sum / count)), 10.0);
    for (int j = i + 1; j < 3; ++j) {
      EXPECT_GT(MeanDifference(banners[i], 0, 0, 840, banners[j]), 20.0) << "banner " << j;
    }
  }
}

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}

TEST_F(PackageImagesTest, IconIsOne64By64ImageOf32BitsPerPixel) {
  const auto icon = m_provider.Load("icon:icon_logo");
  ASSERT_TRUE(icon.has_value());
  ASSERT_GE(icon->size(), 22u);
  EXPECT_EQ(LittleEndian(*icon, 0, 2), 0u);    // reserved
  EXPECT_EQ(LittleEndian(*icon, 2, 2), 1u);    // icon
  EXPECT_EQ(LittleEndian(*icon, 4, 2), 1u);    // one image
  EXPECT_EQ((*icon)[6], 64);                   // width
  EXPECT_EQ((*icon)[7], 64);                   // height
  EXPECT_EQ(LittleEndian(*icon, 10, 2), 1u);   // planes
  EXPECT_EQ(LittleEndian(*icon, 12, 2), 32u);  // bits per pixel
  const std::uint32_t size = LittleEndian(*icon, 14, 4);
  const std::uint32_t offset = LittleEndian(*icon, 18, 4);
  EXPECT_EQ(offset, 22u);
  EXPECT_EQ(std::size_t{offset} + size, icon->size());
  // The image itself: a bitmap header for 64 x (2 x 64) pixels of 32 bits (colour and mask),
  // 64 x 64 x 4 colour bytes and a 64 x 64 one-bit mask.
  EXPECT_EQ(LittleEndian(*icon, offset, 4), 40u);
  EXPECT_EQ(LittleEndian(*icon, offset + 4, 4), 64u);
  EXPECT_EQ(LittleEndian(*icon, offset + 8, 4), 128u);
  EXPECT_EQ(LittleEndian(*icon, offset + 14, 2), 32u);
  EXPECT_EQ(size, 40u + 64 * 64 * 4 + 64 * 64 / 8);
  // Alpha carries the shape: transparent corners, opaque middle.
  const std::size_t pixels = offset + 40;
  EXPECT_EQ((*icon)[pixels + 3], 0) << "bottom-left corner";
  EXPECT_EQ((*icon)[pixels + (32 * 64 + 32) * 4 + 3], 255) << "centre";
}

}  // namespace
