#include "toolkit/core/anchor_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "toolkit/core/fake_widget.h"

namespace toolkit {

namespace {

using testing_support::FakeWidget;

struct ChildRow {
  ChildRow(FakeWidget::Attributes attributes = {}, Size content = {})
      : attributes(std::move(attributes)), content(content) {}

  FakeWidget::Attributes attributes;
  Size content;
};

// Lays out `children` in a parent whose layout rectangle is (0, 0, width, height).
std::unique_ptr<FakeWidget> LayOut(Size parent, const std::vector<ChildRow>& children) {
  auto root = std::make_unique<FakeWidget>();
  for (const ChildRow& child : children) root->Add(child.attributes, child.content);
  root->SetRootRect({0, 0, parent.width, parent.height});
  return root;
}

FakeWidget& Child(FakeWidget& root, size_t index) {
  return static_cast<FakeWidget&>(*root.GetLayoutChild(index));
}

constexpr Size kPage{838, 340};

TEST(AnchorLayoutTest, PlacesChildrenAsTheirPosSays) {
  const struct {
    Size parent;
    std::vector<ChildRow> children;  // the last child is checked
    Rect expected;
  } cases[] = {
      // From the parent's edges; "-0" is the far edge, so the width follows the parent.
      {kPage, {{{{"pos", "0,0,-0,-240"}}}}, {0, 0, 838, 100}},
      {kPage, {{{{"pos", "0,0,-0,-0"}}}}, {0, 0, 838, 340}},
      {kPage, {{{{"pos", "0,0,@10,@100"}}}, {{{"pos", "1,[0,-1,-1"}}}}, {1, 100, 837, 339}},
      {kPage, {{{{"pos", "0,0,@10,@52"}}}, {{{"pos", "40,[10,@600,@30"}}}}, {40, 62, 640, 92}},
      // A later `height` overrides the height the pos gave.
      {{600, 340},
       {{{{"pos", "0,0,@10,@30"}}}, {{{"pos", "0,[10,-0,-0"}, {"height", "10"}}}},
       {0, 40, 600, 50}},
      // Wrap-content width after a sibling, height given.
      {kPage,
       {{{{"pos", "0,0,@10,@52"}}},
        {{{"pos", "40,[10,@600,@30"}}},
        {{{"pos", "[10,{0"}, {"height", "30"}}, {110, 32}}},
       {650, 62, 760, 92}},
      // Centred, then moved back by half its own size.
      {kPage,
       {{{{"pos", "|0,|0"}, {"size", "600,50"}, {"offset", "-0.5,-0.5"}}}},
       {119, 145, 719, 195}},
      {kPage, {{{{"pos", "-45,20"}}, {30, 30}}}, {793, 20, 823, 50}},
      {kPage,
       {{{{"pos", "0,0,@10,@100"}}}, {{{"pos", "|0,[40"}, {"offset", "-0.5,0"}}, {200, 40}}},
       {319, 140, 519, 180}},
      {kPage, {{{{"pos", "|-10,|10"}}, {4, 4}}}, {409, 180, 413, 184}},
      // The first child's neighbour edges are the parent's near edges.
      {kPage, {{{{"pos", "[10,{0"}}, {20, 20}}}, {10, 0, 30, 20}},
      {kPage, {{{{"pos", "{5,[5"}}, {20, 20}}}, {5, 5, 25, 25}},
      // The last child's "next" edges are the parent's far edges.
      {kPage, {{{{"pos", "}-10,]-20"}}, {5, 5}}}, {828, 320, 833, 325}},
      // Percentages: units and scale are not used; the amount is clamped to 0..100.
      {{800, 340}, {{{{"pos", "%-25,0"}}, {10, 10}}}, {600, 0, 610, 10}},
      {kPage, {{{{"pos", "%25,%50"}}, {1, 1}}}, {209, 170, 210, 171}},
      {kPage, {{{{"pos", "%150,%-150"}}, {1, 1}}}, {838, 0, 839, 1}},
      {kPage, {{{{"pos", "%10dp,0"}, {"scale", "150"}}, {1, 1}}}, {83, 0, 84, 1}},
      // Units: px is never scaled, dp/dip/sp are.
      {kPage, {{{{"pos", "10dp,0"}, {"scale", "150"}}, {10, 10}}}, {15, 0, 25, 10}},
      {kPage, {{{{"pos", "10px,0"}, {"scale", "150"}}, {10, 10}}}, {10, 0, 20, 10}},
      {kPage, {{{{"pos", "10dip,0"}, {"scale", "150"}}, {10, 10}}}, {15, 0, 25, 10}},
      {kPage, {{{{"pos", "0,0,@10sp,@10"}, {"scale", "150"}}}}, {0, 0, 15, 10}},
      // Without pos a child follows its previous sibling: "[0,{0".
      {kPage, {{{{"pos", "10,20,@30,@40"}}}, {{}, {7, 7}}}, {40, 20, 47, 27}},
      // A wrap-content extent item ("@-1") takes the desired size.
      {kPage, {{{{"pos", "40,[10,@-1,@30"}}, {77, 5}}}, {40, 10, 117, 40}},
      // Siblings named by id, before or after the referring child.
      {kPage,
       {{{{"pos", "100,50,@100,@30"}, {"id", "7"}}},
        {{{"pos", "sib.right@7:5,sib.bottom@7:-5"}}, {10, 10}}},
       {205, 75, 215, 85}},
      // A missing sibling: near edges are the parent's near, far edges its far edges.
      {kPage, {{{{"pos", "sib.left@99:5,sib.bottom@99:-5"}}, {10, 10}}}, {5, 335, 15, 345}},
      {kPage, {{{{"pos", "sib.right@99:-5,sib.top@99:5"}}, {10, 10}}}, {833, 5, 843, 15}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto root = LayOut(cases[i].parent, cases[i].children);
    EXPECT_EQ(Child(*root, cases[i].children.size() - 1).GetRect(), cases[i].expected);
  }
}

TEST(AnchorLayoutTest, ResolvesReferencesToLaterSiblingsInLaterPasses) {
  const auto before_next =
      LayOut(kPage, {{{{"pos", "]5,0"}}, {10, 10}}, {{{"pos", "100,0,@20,@20"}}}});
  EXPECT_EQ(Child(*before_next, 0).GetRect(), (Rect{105, 0, 115, 10}));

  const auto by_id = LayOut(kPage, {{{{"pos", "sib.right@7:0,sib.top@7:0"}}, {10, 10}},
                                    {{{"pos", "100,50,@50,@30"}, {"id", "7"}}}});
  EXPECT_EQ(Child(*by_id, 0).GetRect(), (Rect{150, 50, 160, 60}));
}

TEST(AnchorLayoutTest, ReferencesWaitForASiblingsPendingOffset) {
  // The centred child moves left by half its width before its edges may be used, whether its
  // size is known at once or only after measuring.
  const FakeWidget::Attributes fixed = {
      {"pos", "|0,0"}, {"size", "100,10"}, {"offset", "-0.5,0"}, {"id", "1"}};
  const FakeWidget::Attributes wrapped = {{"pos", "|0,0"}, {"offset", "-0.5,0"}, {"id", "1"}};
  for (const auto& centred : {fixed, wrapped}) {
    SCOPED_TRACE(centred.size());
    const auto root = LayOut(kPage, {{centred, {100, 10}},
                                     {{{"pos", "[0,{0"}}, {10, 10}},
                                     {{{"pos", "sib.right@1:5,30"}}, {10, 10}}});
    EXPECT_EQ(Child(*root, 0).GetRect(), (Rect{369, 0, 469, 10}));
    EXPECT_EQ(Child(*root, 1).GetRect(), (Rect{469, 0, 479, 10}));
    EXPECT_EQ(Child(*root, 2).GetRect(), (Rect{474, 30, 484, 40}));
  }
}

TEST(AnchorLayoutTest, AppliesVerticalOffsetToWrapContentHeight) {
  const auto root = LayOut(kPage, {{{{"pos", "0,-20"}, {"offset", "0,-1"}}, {30, 12}}});
  EXPECT_EQ(Child(*root, 0).GetRect(), (Rect{0, 308, 30, 320}));
}

TEST(AnchorLayoutTest, OffersWhatIsKnownOfTheSizeWhenMeasuring) {
  const auto root = LayOut(kPage, {{{{"pos", "10,10,@50,@20"}}},
                                   {{{"pos", "[10,{0"}, {"height", "30"}}, {110, 32}},
                                   {{{"pos", "0,100"}}, {5, 5}}});
  EXPECT_EQ(Child(*root, 0).Offers().size(), 0u);  // fixed size: never asked
  EXPECT_EQ(Child(*root, 1).Offers(), (std::vector<Size>{{838, 30}}));
  EXPECT_EQ(Child(*root, 2).Offers(), (std::vector<Size>{{838, 340}}));
}

TEST(AnchorLayoutTest, SkipsFloatingAndHiddenChildrenButKeepsDisplayedOnes) {
  const auto root = LayOut(kPage, {{{{"pos", "10,20,@30,@40"}}},
                                   {{{"pos", "0,0,@5,@5"}, {"float", "1"}}},
                                   {{{"pos", "0,0,@5,@5"}, {"visible", "0"}}},
                                   {{{"pos", "[0,{0,@5,@5"}}},
                                   {{{"pos", "[1,{0,@5,@5"}, {"visible", "0"}, {"display", "1"}}},
                                   {{{"pos", "[1,{0,@5,@5"}}}});
  EXPECT_EQ(Child(*root, 1).AppliedCount(), 0);
  EXPECT_EQ(Child(*root, 1).GetRect(), testing_support::kNoRect);
  EXPECT_EQ(Child(*root, 2).AppliedCount(), 0);
  // The neighbours of the skipped ones are the children that take part.
  EXPECT_EQ(Child(*root, 3).GetRect(), (Rect{40, 20, 45, 25}));
  EXPECT_EQ(Child(*root, 4).GetRect(), (Rect{46, 20, 51, 25}));
  EXPECT_EQ(Child(*root, 5).GetRect(), (Rect{52, 20, 57, 25}));
}

TEST(AnchorLayoutTest, SiblingIdsMatchOnlyChildrenTakingPart) {
  // The hidden child with id 7 does not count: the reference uses the parent's far edge.
  const auto root = LayOut(kPage, {{{{"pos", "100,0,@10,@10"}, {"id", "7"}, {"visible", "0"}}},
                                   {{{"pos", "sib.right@7:-8,0,@4,@4"}}}});
  EXPECT_EQ(Child(*root, 1).GetRect(), (Rect{830, 0, 834, 4}));
}

TEST(AnchorLayoutTest, ShiftsRectanglesToTheLayoutRectangle) {
  auto root =
      std::make_unique<FakeWidget>(FakeWidget::Attributes{{"margin", "5"}, {"padding", "1,2"}});
  root->Add({{"pos", "0,0,-0,-0"}});
  root->Add({{"pos", "|0,[0"}, {"offset", "-0.5,0"}}, {10, 10});
  root->SetRootRect({100, 200, 940, 780});
  EXPECT_EQ(Child(*root, 0).GetRect(), (Rect{106, 207, 934, 773}));
  EXPECT_EQ(Child(*root, 1).GetRect(), (Rect{515, 773, 525, 783}));
}

TEST(AnchorLayoutTest, EveryLayoutStartsAfresh) {
  auto root = std::make_unique<FakeWidget>();
  FakeWidget* child = root->Add({{"pos", "-10,-10,-0,-0"}});
  root->SetRootRect({0, 0, 100, 50});
  EXPECT_EQ(child->GetRect(), (Rect{90, 40, 100, 50}));
  root->SetRootRect({0, 0, 300, 200});
  EXPECT_EQ(child->GetRect(), (Rect{290, 190, 300, 200}));
}

TEST(AnchorLayoutTest, ParentSmallerThanItsMarginsLaysOutAsEmpty) {
  auto root = std::make_unique<FakeWidget>(FakeWidget::Attributes{{"margin", "20"}});
  FakeWidget* child = root->Add({{"pos", "-0,-0,-0,-0"}});
  root->SetRootRect({0, 0, 10, 10});
  EXPECT_EQ(child->GetRect(), (Rect{20, 20, 20, 20}));
}

// Cycles and references to edges that never resolve keep marker coordinates; the layout ends and
// the child gets a rectangle far outside any visible area.
TEST(AnchorLayoutTest, CyclesNeverResolve) {
  const struct {
    std::vector<ChildRow> children;
    std::vector<size_t> unresolved;  // children whose left edge never resolves
  } cases[] = {
      {{{{{"pos", "]0,0"}}, {10, 10}}, {{{"pos", "{0,0"}}, {10, 10}}}, {0, 1}},
      {{{{{"pos", "sib.right@2:0,0"}, {"id", "1"}}, {10, 10}},
        {{{"pos", "sib.right@1:0,0"}, {"id", "2"}}, {10, 10}}},
       {0, 1}},
      {{{{{"pos", "sib.left@5:0,0"}, {"id", "5"}}, {10, 10}}}, {0}},
      // A chain hanging on a cycle does not resolve either; an independent child does.
      {{{{{"pos", "]0,0"}}, {10, 10}},
        {{{"pos", "{0,0"}}, {10, 10}},
        {{{"pos", "[0,{0"}}, {10, 10}},
        {{{"pos", "5,5"}}, {10, 10}}},
       {0, 1, 2}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto root = LayOut(kPage, cases[i].children);
    for (size_t c = 0; c < cases[i].children.size(); ++c) {
      SCOPED_TRACE(c);
      const FakeWidget& child = Child(*root, c);
      EXPECT_EQ(child.AppliedCount(), 1);
      const bool expect_unresolved =
          std::find(cases[i].unresolved.begin(), cases[i].unresolved.end(), c) !=
          cases[i].unresolved.end();
      EXPECT_EQ(IsMarkerCoordinate(child.GetRect().left), expect_unresolved);
      if (expect_unresolved) {
        EXPECT_TRUE(child.Offers().empty());  // never measured
        EXPECT_GT(child.GetRect().left, 0x10000000);
        EXPECT_GE(child.GetRect().right, child.GetRect().left);
      }
    }
  }
}

TEST(AnchorLayoutTest, CycleOnFarEdgesLeavesNearEdgesResolved) {
  const auto root = LayOut(
      kPage, {{{{"pos", "0,0,]0,@10"}, {"id", "1"}}}, {{{"pos", "sib.right@1:0,0"}}, {10, 10}}});
  const Rect& first = Child(*root, 0).GetRect();
  EXPECT_EQ(first.left, 0);
  EXPECT_EQ(first.top, 0);
  EXPECT_TRUE(IsMarkerCoordinate(first.right));
  EXPECT_EQ(first.bottom, 10);
  EXPECT_TRUE(IsMarkerCoordinate(Child(*root, 1).GetRect().left));
}

TEST(AnchorLayoutTest, RefusesToOverflowOnHugeAmounts) {
  const auto root = LayOut(kPage, {{{{"pos", "2000000000,-2000000000"}}, {10, 10}},
                                   {{{"pos", "[2000000000,{-1e30"}}, {2000000000, 10}},
                                   {{{"pos", "[2000000000,{0,@3e38,@-3e38"}}},
                                   {{{"pos", "|0,0"}, {"offset", "1e30,0"}}, {10, 10}}});
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Rect& rect = Child(*root, i).GetRect();
    for (int edge : {rect.left, rect.top, rect.right, rect.bottom}) {
      EXPECT_FALSE(IsMarkerCoordinate(edge));
      EXPECT_LE(edge, kMaxPixels);
      EXPECT_GE(edge, -kMaxPixels);
    }
  }
  EXPECT_EQ(Child(*root, 0).GetRect().left, kMaxPixels);
}

TEST(AnchorLayoutTest, ChildWithoutAnchorParamsIsPlacedAsCleared) {
  struct ParamlessChild : testing_support::FakeWidget {
    using FakeWidget::FakeWidget;
    const ILayoutParam* GetLayoutParam() const override { return nullptr; }
  };
  auto root = std::make_unique<FakeWidget>();
  root->Add({{"pos", "10,20,@30,@40"}});
  root->Add(std::make_unique<ParamlessChild>(FakeWidget::Attributes{{"pos", "0,0"}}, Size{5, 6}));
  root->SetRootRect({0, 0, 100, 100});
  EXPECT_EQ(Child(*root, 1).GetRect(), (Rect{40, 20, 45, 26}));
}

TEST(AnchorLayoutTest, CreatesClearedAnchorParams) {
  const AnchorLayout layout;
  EXPECT_STREQ(layout.ClassName(), "AnchorLayout");
  const std::unique_ptr<ILayoutParam> param = layout.CreateLayoutParam();
  ASSERT_NE(param, nullptr);
  EXPECT_STREQ(param->ClassName(), "AnchorLayoutParam");
  EXPECT_TRUE(param->IsWrapContent(Axis::kHorizontal));
  EXPECT_TRUE(param->IsWrapContent(Axis::kVertical));
}

// Measuring, for a parent that wraps its content and offers -1 on its open axes.
TEST(AnchorLayoutTest, MeasuresWhatChildrenNeed) {
  const struct {
    std::vector<ChildRow> children;
    Size offered;
    Size expected;
  } cases[] = {
      // A row of three radio buttons.
      {{{{{"pos", "0,0"}}, {24, 8}}, {{{"pos", "[2,{0"}}, {24, 8}}, {{{"pos", "[2,{0"}}, {24, 8}}},
       {-1, -1},
       {76, 8}},
      // Anchored to the open far edge: the desired size, plus the far margin.
      {{{{{"pos", "0,0,-10,-5"}}, {50, 20}}}, {-1, -1}, {60, 25}},
      // Match parent in an open parent takes the desired size.
      {{{{{"pos", "3,4"}, {"width", "matchParent"}}, {40, 10}}}, {-1, -1}, {43, 14}},
      // Centred or "next"-anchored in an open parent never resolve and need nothing.
      {{{{{"pos", "|0,0"}}, {50, 20}}, {{{"pos", "]0,0"}}, {50, 20}}}, {-1, -1}, {0, 0}},
      // With a known width the far edge is known.
      {{{{{"pos", "0,0,-0,-0"}}}}, {200, 100}, {200, 100}},
      {{{{{"pos", "0,0,-10,@20"}}}}, {200, -1}, {200, 20}},
      // Hidden and floating children need nothing.
      {{{{{"pos", "0,0,@500,@500"}, {"visible", "0"}}},
        {{{"pos", "0,0,@500,@500"}, {"float", "1"}}},
        {{{"pos", "1,1,@2,@2"}}}},
       {-1, -1},
       {3, 3}},
      {{}, {-1, -1}, {0, 0}},
      // An offered marker coordinate comes back as it is.
      {{{{{"pos", "0,0,@20,@20"}}}}, {kPosNotComputed, -1}, {kPosNotComputed, 20}},
  };
  const AnchorLayout layout;
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    FakeWidget parent;
    for (const ChildRow& child : cases[i].children) parent.Add(child.attributes, child.content);
    EXPECT_EQ(layout.MeasureChildren(parent, cases[i].offered.width, cases[i].offered.height),
              cases[i].expected);
  }
}

}  // namespace
}  // namespace toolkit
