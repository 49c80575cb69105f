#include "toolkit/core/pos_item.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

PosItem Item(PosKind kind, int sign, float amount, DimensionUnit unit = DimensionUnit::kPx,
             int32_t sibling = -1) {
  return {kind, sibling, static_cast<int8_t>(sign), Dimension(amount, unit)};
}

TEST(PosItemTest, ParsesEveryKind) {
  const struct {
    const char* text;
    PosItem expected;
  } cases[] = {
      {"40", Item(PosKind::kFromEdge, 1, 40)},
      {"-45", Item(PosKind::kFromEdge, -1, 45)},
      {"-0", Item(PosKind::kFromEdge, -1, 0)},
      {"10dp", Item(PosKind::kFromEdge, 1, 10, DimensionUnit::kDp)},
      {"|0", Item(PosKind::kFromCentre, 1, 0)},
      {"|-10", Item(PosKind::kFromCentre, -1, 10)},
      {"%25", Item(PosKind::kPercent, 1, 25)},
      {"%-25", Item(PosKind::kPercent, -1, 25)},
      {"[30", Item(PosKind::kAfterPrevious, 1, 30)},
      {"[10dip", Item(PosKind::kAfterPrevious, 1, 10, DimensionUnit::kDip)},
      {"[", Item(PosKind::kAfterPrevious, 1, 0)},
      {"{0", Item(PosKind::kWithPrevious, 1, 0)},
      {"]5", Item(PosKind::kBeforeNext, 1, 5)},
      {"}-3", Item(PosKind::kWithNext, -1, 3)},
      {"@600", Item(PosKind::kExtent, 1, 600)},
      {"@-1", Item(PosKind::kExtent, -1, 1)},
      {"sib.left@3:10", Item(PosKind::kSiblingNear, 1, 10, DimensionUnit::kPx, 3)},
      {"sib.top@3:-10", Item(PosKind::kSiblingNear, -1, 10, DimensionUnit::kPx, 3)},
      {"sib.right@7:5dp", Item(PosKind::kSiblingFar, 1, 5, DimensionUnit::kDp, 7)},
      {"sib.bottom@-2:0", Item(PosKind::kSiblingFar, 1, 0, DimensionUnit::kPx, -2)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].text);
    const std::optional<PosItem> item = ParsePosItem(cases[i].text);
    ASSERT_TRUE(item.has_value());
    EXPECT_EQ(item->kind, cases[i].expected.kind);
    EXPECT_EQ(item->sign, cases[i].expected.sign);
    EXPECT_EQ(item->siblingId, cases[i].expected.siblingId);
    EXPECT_EQ(item->amount, cases[i].expected.amount);
  }
}

TEST(PosItemTest, RefusesEmptyItemsAndMalformedSiblingReferences) {
  const char* const cases[] = {
      "",
      "sib.",
      "sib.middle@3:1",  // unknown edge word
      "sib.Left@3:1",    // edge words are lower case
      "sib.left3:1",     // "@" belongs to the word
      "sib.left@3",      // no amount
      "sib.left@3:1:2",  // too many parts
      "sib.left@0:5",    // id 0 names no sibling
      "sib.left@x:5",
      "sib.left@3x:5",
      "sib.left@:5",
      "sib.left@3:",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParsePosItem(text).has_value());
  }
}

}  // namespace
}  // namespace toolkit
