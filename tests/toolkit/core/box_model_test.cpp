#include "toolkit/core/box_model.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

TEST(BoxModelTest, ReadsOneTwoOrFourValues) {
  const struct {
    const char* name;
    const char* value;
    int scale;
    AttributeResult result;
    Insets margin;
    Insets padding;
  } cases[] = {
      {"margin", "5", 100, AttributeResult::kHandled, {5, 5, 5, 5}, {}},
      {"margin", "5,5,5,5", 100, AttributeResult::kHandled, {5, 5, 5, 5}, {}},
      {"margin", "1,2", 100, AttributeResult::kHandled, {1, 2, 1, 2}, {}},
      {"margin", "1, 2 ,3,4", 100, AttributeResult::kHandled, {1, 2, 3, 4}, {}},
      {"margin", "10dp", 150, AttributeResult::kHandled, {15, 15, 15, 15}, {}},
      {"MARGIN", "3", 100, AttributeResult::kHandled, {3, 3, 3, 3}, {}},
      {"padding", "1,2,3,4", 100, AttributeResult::kHandled, {}, {1, 2, 3, 4}},
      {"inset", "2", 100, AttributeResult::kHandled, {}, {2, 2, 2, 2}},
      {"margin-x", "1", 100, AttributeResult::kHandled, {1, 0, 1, 0}, {}},
      {"margin-y", "1", 100, AttributeResult::kHandled, {0, 1, 0, 1}, {}},
      // Any other count changes nothing.
      {"margin", "1,2,3", 100, AttributeResult::kInvalidArgument, {}, {}},
      {"padding", "1,2,3,4,5", 100, AttributeResult::kInvalidArgument, {}, {}},
      {"margin", "", 100, AttributeResult::kInvalidArgument, {}, {}},
      {"margin-x", "", 100, AttributeResult::kHandled, {}, {}},
      {"pos", "1,2", 100, AttributeResult::kNotHandled, {}, {}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    BoxModel box;
    EXPECT_EQ(box.SetAttribute(cases[i].name, cases[i].value), cases[i].result);
    EXPECT_EQ(box.Margin(cases[i].scale), cases[i].margin);
    EXPECT_EQ(box.Padding(cases[i].scale), cases[i].padding);
  }
}

TEST(BoxModelTest, MarginAxesOverrideOnlyTheirSides) {
  BoxModel box;
  box.SetAttribute("margin", "1,2,3,4");
  box.SetAttribute("margin-x", "9");
  EXPECT_EQ(box.Margin(100), (Insets{9, 2, 9, 4}));
  box.SetAttribute("margin-y", "7");
  EXPECT_EQ(box.Margin(100), (Insets{9, 7, 9, 7}));
  box.SetAttribute("margin", "1,2,3");  // refused: the earlier sides stay
  EXPECT_EQ(box.Margin(100), (Insets{9, 7, 9, 7}));
}

TEST(BoxModelTest, LayoutRectIsRectLessMarginLessPadding) {
  BoxModel box;
  box.SetAttribute("margin", "5,5,5,5");
  box.SetAttribute("padding", "1,2,3,4");
  const Rect rect{0, 0, 840, 580};
  EXPECT_EQ(box.ClientRect(rect, 100), (Rect{5, 5, 835, 575}));
  EXPECT_EQ(box.LayoutRect(rect, 100), (Rect{6, 7, 832, 571}));

  // Amounts stay dimensions: a new scale needs no re-parse.
  box.SetAttribute("padding", "2dp");
  EXPECT_EQ(box.LayoutRect(rect, 200), (Rect{9, 9, 831, 571}));
}

}  // namespace
}  // namespace toolkit
