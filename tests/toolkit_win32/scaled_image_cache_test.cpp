// Scaled parts: made once per part and size, the same pixels as scaling while drawing, and the
// least recently used given up beyond the budget.
#include <gtest/gtest.h>

#include <memory>

#include "toolkit/win32/gdiplus_session.h"
#include "toolkit/win32/scaled_image_cache.h"

namespace {

using toolkit::Rect;
using toolkit::ScaledImageCache;
using toolkit::Size;

// Left half opaque red, right half half-transparent blue.
std::unique_ptr<Gdiplus::Bitmap> TwoColourImage(int width, int height) {
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image->SetPixel(
          x, y, x < width / 2 ? Gdiplus::Color(255, 255, 0, 0) : Gdiplus::Color(128, 0, 0, 255));
    }
  }
  return image;
}

TEST(ScaledImageCacheTest, KeepsEachPartAndSizeUntilTheBudgetIsSpent) {
  const toolkit::GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  const std::unique_ptr<Gdiplus::Bitmap> image = TwoColourImage(100, 50);
  Gdiplus::ImageAttributes clamp;
  clamp.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  const Rect whole{0, 0, 100, 50};
  ScaledImageCache cache(3 * 200 * 100);  // three parts of 200 x 100

  Gdiplus::Bitmap* large = cache.Find(image.get(), whole, {200, 100}, clamp);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->GetWidth(), 200u);
  EXPECT_EQ(large->GetHeight(), 100u);
  Gdiplus::Color colour;
  large->GetPixel(20, 50, &colour);
  EXPECT_EQ(colour.GetValue(), Gdiplus::Color(255, 255, 0, 0).GetValue());
  large->GetPixel(180, 50, &colour);
  EXPECT_NEAR(colour.GetA(), 128, 1);
  EXPECT_NEAR(colour.GetB(), 255, 2);

  const struct {
    const char* what;
    Rect source;
    Size size;
    bool scaledAnew;
  } rows[] = {
      {"the same part again", whole, {200, 100}, false},
      {"another size", whole, {150, 100}, true},
      {"another part", {0, 0, 50, 50}, {200, 100}, true},
      // Over the budget: the least recently used part (the first) goes.
      {"a fourth part", {50, 0, 100, 50}, {200, 100}, true},
      {"the first part again", whole, {200, 100}, true},
      {"the fourth again", {50, 0, 100, 50}, {200, 100}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::size_t made = cache.PartsMade();
    Gdiplus::Bitmap* found = cache.Find(image.get(), row.source, row.size, clamp);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetWidth(), static_cast<UINT>(row.size.width));
    EXPECT_EQ(cache.PartsMade() - made, row.scaledAnew ? 1u : 0u);
  }
}

}  // namespace
