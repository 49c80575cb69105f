#include "toolkit/core/dimension.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace toolkit {
namespace {

TEST(DimensionTest, ReadsAmountAndUnit) {
  const struct {
    const char* text;
    float amount;
    DimensionUnit unit;
  } cases[] = {
      {"10", 10, DimensionUnit::kPx},
      {"10px", 10, DimensionUnit::kPx},
      {"10dp", 10, DimensionUnit::kDp},
      {"10DIP", 10, DimensionUnit::kDip},
      {"12.5sp", 12.5f, DimensionUnit::kSp},
      {"  7Dp", 7, DimensionUnit::kDp},  // leading white space skipped, unit in any case
      {"-1", -1, DimensionUnit::kPx},
      {"+4", 4, DimensionUnit::kPx},
      {".5", 0.5f, DimensionUnit::kPx},
      {"1e2px", 100, DimensionUnit::kPx},
      {"1e", 1, DimensionUnit::kPx},
      {"10pt", 10, DimensionUnit::kPx},  // unknown unit: px
      {"dp", 0, DimensionUnit::kDp},     // no number: 0
      {"abc", 0, DimensionUnit::kPx},
      {"inf", 0, DimensionUnit::kPx},  // no infinities or NaN from resources
      {"nan", 0, DimensionUnit::kPx},
      {"0x10", 0, DimensionUnit::kPx},  // no hexadecimal
      {"1e999", FLT_MAX, DimensionUnit::kPx},
      {"-1e999", -FLT_MAX, DimensionUnit::kPx},
      {"1e-999", 0, DimensionUnit::kPx},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].text);
    const Dimension dimension = ParseDimension(cases[i].text);
    EXPECT_FLOAT_EQ(dimension.Amount(), cases[i].amount);
    EXPECT_EQ(dimension.Unit(), cases[i].unit);
  }
}

TEST(DimensionTest, EmptyTextChangesNothing) {
  Dimension dimension(12, DimensionUnit::kSp);
  dimension.Parse("");
  EXPECT_EQ(dimension, Dimension(12, DimensionUnit::kSp));
}

TEST(DimensionTest, PixelValueFollowsUnitAndScale) {
  const struct {
    Dimension dimension;
    int scale;
    int pixels;
  } cases[] = {
      {{10, DimensionUnit::kPx}, 150, 10},
      {{10, DimensionUnit::kDp}, 150, 15},
      {{10, DimensionUnit::kDip}, 150, 15},
      {{10, DimensionUnit::kSp}, 150, 15},
      {{10, DimensionUnit::kDp}, 100, 10},
      {{10.9f, DimensionUnit::kPx}, 100, 10},  // truncated toward zero
      {{-10.9f, DimensionUnit::kPx}, 100, -10},
      {{3, DimensionUnit::kDp}, 150, 5},    // 4.5 rounds up
      {{1, DimensionUnit::kDp}, 125, 1},    // 1.25 rounds down
      {{-3, DimensionUnit::kDp}, 150, -4},  // floor(-4.5 + 0.5)
      {Dimension::WrapContent(), 150, -1},
      {Dimension::MatchParent(), 150, -2},
      {{-2, DimensionUnit::kDp}, 150, -2},  // markers are not scaled
      {{1e30f, DimensionUnit::kPx}, 100, kMaxPixels},
      {{-1e30f, DimensionUnit::kDp}, 100, -kMaxPixels},
      {{1e30f, DimensionUnit::kDp}, 1000000, kMaxPixels},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cases[i].dimension.ToPixels(cases[i].scale), cases[i].pixels);
  }
}

TEST(DimensionTest, MarkersAreComparedWithTolerance) {
  EXPECT_TRUE(Dimension::Pixels(-1).IsWrapContent());
  EXPECT_TRUE(Dimension::Pixels(-2).IsMatchParent());
  EXPECT_TRUE(Dimension::Pixels(-3).IsUnspecified());
  EXPECT_FALSE(Dimension::Pixels(-1.0001f).IsWrapContent());
  EXPECT_FALSE(Dimension::Pixels(-0.9999f).IsWrapContent());
  EXPECT_TRUE(Dimension::Pixels(0).IsSpecified());
  EXPECT_FALSE(Dimension::Pixels(-0.5f).IsSpecified());
  EXPECT_FALSE(Dimension::WrapContent().IsSpecified());
}

}  // namespace
}  // namespace toolkit
