#include "toolkit/core/anchor_layout_param.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <utility>
#include <vector>

namespace toolkit {
namespace {

using Attributes = std::vector<std::pair<const char*, const char*>>;

AnchorLayoutParam Apply(const Attributes& attributes) {
  AnchorLayoutParam param;
  for (const auto& [name, value] : attributes) param.SetAttribute(name, value);
  return param;
}

const Dimension kWrap = Dimension::WrapContent();
const Dimension kMatch = Dimension::MatchParent();
const Dimension kUnspecified = Dimension::Unspecified();
Dimension Px(float amount) {
  return Dimension::Pixels(amount);
}

TEST(AnchorLayoutParamTest, StartsCleared) {
  AnchorLayoutParam param = Apply({{"pos", "1,2,@3,@4"}, {"offset", "0.5,0.5"}});
  param.Clear();
  EXPECT_EQ(param.Count(), 0);
  EXPECT_EQ(param.OffsetX(), 0.0f);
  EXPECT_EQ(param.OffsetY(), 0.0f);
  EXPECT_EQ(param.Width(), kWrap);
  EXPECT_EQ(param.Height(), kWrap);
}

TEST(AnchorLayoutParamTest, PosGivesItemsAndDerivesSizes) {
  const struct {
    const char* pos;
    int count;
    Dimension width;
    Dimension height;
  } cases[] = {
      {"0,0,-0,-240", 4, kMatch, kUnspecified},
      {"0,0,-0,-0", 4, kMatch, kMatch},
      {"1,[0,-1,-1", 4, kUnspecified, kUnspecified},
      {"40,[10,@600,@30", 4, Px(600), Px(30)},
      {"3,0,-3,-0", 4, kUnspecified, kMatch},
      {"0,[10,-0,-0", 4, kMatch, kUnspecified},  // top is not "0": no match parent
      {"0,0,@-1,@-1", 4, kWrap, kWrap},
      {"0,0,@10dp,@2sp", 4, Dimension(10, DimensionUnit::kDp), Dimension(2, DimensionUnit::kSp)},
      {"0dp,0,-0px,-0", 4, kMatch, kMatch},
      {"-0,0,0,-0", 4, kUnspecified, kMatch},  // reversed: not the span of the parent
      {"-0,0,-0,-0", 4, kUnspecified, kMatch},
      {"40,[30", 2, kWrap, kWrap},
      {"|0,|0", 2, kWrap, kWrap},
      {" 40 , [30 ", 2, kWrap, kWrap},
      {"1,,2", 2, kWrap, kWrap},  // empty pieces are dropped
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].pos);
    AnchorLayoutParam param;
    EXPECT_EQ(param.SetAttribute("pos", cases[i].pos), AttributeResult::kHandled);
    EXPECT_EQ(param.Count(), cases[i].count);
    EXPECT_EQ(param.Width(), cases[i].width);
    EXPECT_EQ(param.Height(), cases[i].height);
  }
}

TEST(AnchorLayoutParamTest, PosWithWrongItemCountIsRejectedAndChangesNothing) {
  const char* const cases[] = {"1,2,3", "1", "", ",,,", "1,2,3,4,5"};
  for (const char* pos : cases) {
    SCOPED_TRACE(pos);
    AnchorLayoutParam param = Apply({{"pos", "40,[10,@600,@30"}});
    EXPECT_EQ(param.SetAttribute("pos", pos), AttributeResult::kInvalidArgument);
    EXPECT_EQ(param.Count(), 4);
    EXPECT_EQ(param.Left().amount, Px(40));
    EXPECT_EQ(param.Right().kind, PosKind::kExtent);
    EXPECT_EQ(param.Width(), Px(600));
    EXPECT_EQ(param.Height(), Px(30));
  }
}

TEST(AnchorLayoutParamTest, UnreadableItemDropsItsPairSilently) {
  // Near pair unreadable (or an extent there): only the far pair is stored.
  AnchorLayoutParam param;
  EXPECT_EQ(param.SetAttribute("pos", "@5,0,@10,@20"), AttributeResult::kHandled);
  EXPECT_EQ(param.Count(), 4);
  EXPECT_EQ(param.Left(), PosItem());
  EXPECT_EQ(param.Width(), Px(10));
  EXPECT_EQ(param.Height(), Px(20));

  // Far pair unreadable: the near pair is stored, sizes fall back to wrap content.
  param.Clear();
  EXPECT_EQ(param.SetAttribute("pos", "7,8,sib.left@0:1,@5"), AttributeResult::kHandled);
  EXPECT_EQ(param.Count(), 2);
  EXPECT_EQ(param.Left().amount, Px(7));
  EXPECT_EQ(param.Right(), PosItem());
  EXPECT_EQ(param.Width(), kWrap);

  // Nothing readable: nothing stored.
  param.Clear();
  EXPECT_EQ(param.SetAttribute("pos", "sib.x@1:0,5"), AttributeResult::kHandled);
  EXPECT_EQ(param.Count(), 0);
}

TEST(AnchorLayoutParamTest, LaterAttributesOverrideEarlierOnes) {
  const struct {
    Attributes attributes;
    int count;
    Dimension width;
    Dimension height;
  } cases[] = {
      // A two-item pos keeps sizes set before it.
      {{{"size", "600,50"}, {"pos", "|0,|0"}}, 2, Px(600), Px(50)},
      {{{"pos", "0,0,-0,-0"}, {"pos", "5,5"}}, 2, kMatch, kMatch},
      // A four-item pos derives both sizes anew.
      {{{"size", "600,50"}, {"pos", "0,0,-0,-10"}}, 4, kMatch, kUnspecified},
      {{{"pos", "0,[10,-0,-0"}, {"height", "10"}}, 4, kMatch, Px(10)},
      {{{"pos", "40,[10,@600,@30"}, {"width", "wrapContent"}}, 4, kWrap, Px(30)},
      // A two-item pos after a four-item one turns unspecified sizes into wrap content.
      {{{"pos", "1,[0,-1,-1"}, {"pos", "1,2"}}, 2, kWrap, kWrap},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const AnchorLayoutParam param = Apply(cases[i].attributes);
    EXPECT_EQ(param.Count(), cases[i].count);
    EXPECT_EQ(param.Width(), cases[i].width);
    EXPECT_EQ(param.Height(), cases[i].height);
  }
}

TEST(AnchorLayoutParamTest, ReadsWidthAndHeightValues) {
  const struct {
    const char* value;
    Dimension expected;
  } cases[] = {
      {"matchParent", kMatch}, {"full", kMatch}, {"MatchParent", kMatch},
      {"wrapContent", kWrap},  {"10", Px(10)},   {"12dp", Dimension(12, DimensionUnit::kDp)},
      {"-1", kWrap},           {"", Px(77)},  // empty: unchanged
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].value);
    AnchorLayoutParam param = Apply({{"width", "77"}, {"height", "77"}});
    EXPECT_EQ(param.SetAttribute("width", cases[i].value), AttributeResult::kHandled);
    EXPECT_EQ(param.SetAttribute("height", cases[i].value), AttributeResult::kHandled);
    EXPECT_EQ(param.Width(), cases[i].expected);
    EXPECT_EQ(param.Height(), cases[i].expected);
  }
}

TEST(AnchorLayoutParamTest, SizeNeedsExactlyTwoItems) {
  const struct {
    const char* value;
    AttributeResult result;
    Dimension width;
    Dimension height;
  } cases[] = {
      {"600,50", AttributeResult::kHandled, Px(600), Px(50)},
      {"full, wrapContent", AttributeResult::kHandled, kMatch, kWrap},
      {"600", AttributeResult::kFailed, Px(1), Px(2)},
      {"1,2,3", AttributeResult::kFailed, Px(1), Px(2)},
      {"", AttributeResult::kFailed, Px(1), Px(2)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].value);
    AnchorLayoutParam param = Apply({{"size", "1,2"}});
    EXPECT_EQ(param.SetAttribute("size", cases[i].value), cases[i].result);
    EXPECT_EQ(param.Width(), cases[i].width);
    EXPECT_EQ(param.Height(), cases[i].height);
  }
}

TEST(AnchorLayoutParamTest, OffsetNeedsTwoNumbers) {
  const struct {
    const char* value;
    AttributeResult result;
    float x;
    float y;
  } cases[] = {
      {"-0.5,-0.5", AttributeResult::kHandled, -0.5f, -0.5f},
      {"-0.5,0", AttributeResult::kHandled, -0.5f, 0.0f},
      {" 1, 2", AttributeResult::kHandled, 1.0f, 2.0f},  // white space before a number
      {"1,2,3", AttributeResult::kHandled, 1.0f, 2.0f},  // the rest is ignored
      {"1e40,0", AttributeResult::kHandled, FLT_MAX, 0.0f},
      {"1 ,2", AttributeResult::kFailed, 0.25f, 0.75f},  // the comma must follow the number
      {"-0.5", AttributeResult::kFailed, 0.25f, 0.75f},
      {"a,b", AttributeResult::kFailed, 0.25f, 0.75f},
      {"nan,nan", AttributeResult::kFailed, 0.25f, 0.75f},
      {"", AttributeResult::kFailed, 0.25f, 0.75f},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].value);
    AnchorLayoutParam param = Apply({{"offset", "0.25,0.75"}});
    EXPECT_EQ(param.SetAttribute("offset", cases[i].value), cases[i].result);
    EXPECT_FLOAT_EQ(param.OffsetX(), cases[i].x);
    EXPECT_FLOAT_EQ(param.OffsetY(), cases[i].y);
  }
}

TEST(AnchorLayoutParamTest, NamesAreCaseInsensitiveAndOthersAreNotHandled) {
  AnchorLayoutParam param;
  EXPECT_EQ(param.SetAttribute("POS", "1,2,@3,@4"), AttributeResult::kHandled);
  EXPECT_EQ(param.SetAttribute("Offset", "1,1"), AttributeResult::kHandled);
  EXPECT_EQ(param.SetAttribute("HEIGHT", "9"), AttributeResult::kHandled);
  EXPECT_EQ(param.Count(), 4);
  EXPECT_EQ(param.OffsetX(), 1.0f);
  EXPECT_EQ(param.Height(), Px(9));
  EXPECT_EQ(param.SetAttribute("margin", "5"), AttributeResult::kNotHandled);
  EXPECT_EQ(param.SetAttribute("position", "1,2"), AttributeResult::kNotHandled);
}

TEST(AnchorLayoutParamTest, UnspecifiedSizeWithoutPosCountsAsWrapContent) {
  AnchorLayoutParam param = Apply({{"width", "-3"}});
  EXPECT_TRUE(param.IsWrapContent(Axis::kHorizontal));
  param = Apply({{"pos", "1,2,-1,-1"}});
  EXPECT_FALSE(param.IsWrapContent(Axis::kHorizontal));
  EXPECT_FALSE(param.IsSpecifiedSize(Axis::kHorizontal));
  param = Apply({{"size", "600,full"}});
  EXPECT_TRUE(param.IsSpecifiedSize(Axis::kHorizontal));
  EXPECT_EQ(param.GetSpecifiedSize(Axis::kHorizontal), Px(600));
  EXPECT_TRUE(param.IsMatchParent(Axis::kVertical));
}

}  // namespace
}  // namespace toolkit
