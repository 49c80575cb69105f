// The main window's layout as the package ships it, placed in the real 840 x 580 client area.
// Leaves report the sizes of their skins (and plausible text extents), as real widgets would.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "toolkit/core/fake_widget.h"

namespace toolkit {

namespace {

using testing_support::FakeWidget;

class ShippedLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = std::make_unique<FakeWidget>();
    BuildInstallPage(Add(m_root.get(), "window_0", {{"pos", "1,1,-1,-1"}, {"visible", "1"}}));
    BuildProgressPage(Add(m_root.get(), "window_1", {{"pos", "1,1,-1,-1"}, {"visible", "0"}}));
  }

  FakeWidget* Add(FakeWidget* parent, const std::string& name,
                  const FakeWidget::Attributes& attributes, Size content = {}) {
    FakeWidget* widget = parent->Add(attributes, content);
    if (!name.empty() && !m_widgets.count(name)) m_widgets[name] = widget;
    return widget;
  }

  void BuildInstallPage(FakeWidget* page) {
    FakeWidget* caption = Add(page, "caption_0", {{"pos", "0,0,-0,-240"}});
    Add(caption, "img_0", {{"pos", "0,0,-0,-0"}}, {840, 440});
    Add(caption, "sslogo", {{"pos", "|0,|0"}, {"offset", "-0.5,-0.5"}}, {417, 109});
    Add(caption, "btn_close", {{"pos", "-45,20"}}, {18, 18});
    Add(caption, "btn_min", {{"pos", "-80,20"}}, {18, 18});

    FakeWidget* body = Add(page, "body_0", {{"pos", "1,[0,-1,-1"}});
    Add(body, "label_path", {{"pos", "40,[30"}}, {56, 19});
    FakeWidget* frame =
        Add(body, "edit_frame", {{"pos", "40,[10,@600,@30"}, {"margin-x", "1"}, {"margin-y", "1"}});
    Add(frame, "edit_choose_url", {{"pos", "3,0,-3,-0"}}, {80, 19});
    Add(body, "btn_choose_changedir", {{"pos", "[10,{0"}, {"height", "30"}}, {110, 32});
    Add(body, "radio_zmkj", {{"pos", "40,[10"}}, {114, 17});
    Add(body, "radio_auto", {{"pos", "[10,{0"}}, {90, 17});
    Add(body, "radio_xieyi", {{"pos", "[10,{0"}}, {160, 17});
    Add(body, "link_agreement", {{"pos", "[3,{0"}}, {48, 17});
    Add(body, "btn_ok_install", {{"pos", "|0,[40"}, {"offset", "-0.5,0"}}, {200, 40});
  }

  void BuildProgressPage(FakeWidget* page) {
    FakeWidget* caption = Add(page, "caption_1", {{"pos", "0,0,-0,-140"}});
    Add(caption, "img_0_progress", {{"pos", "0,0,-0,-0"}, {"visible", "1"}}, {840, 440});
    Add(caption, "img_1", {{"pos", "0,0,-0,-0"}, {"visible", "0"}}, {840, 440});
    Add(caption, "img_2", {{"pos", "0,0,-0,-0"}, {"visible", "0"}}, {840, 440});
    Add(caption, "btn_close_progress", {{"pos", "-45,20"}}, {18, 18});
    Add(caption, "btn_min_progress", {{"pos", "-80,20"}}, {18, 18});
    FakeWidget* group = Add(caption, "radio_group", {{"pos", "|0,-20"}, {"offset", "-0.5,0"}});
    Add(group, "mygame_radio_0", {{"pos", "0,0"}, {"id", "600"}}, {24, 8});
    Add(group, "mygame_radio_1", {{"pos", "[2,{0"}, {"id", "601"}}, {24, 8});
    Add(group, "mygame_radio_2", {{"pos", "[2,{0"}, {"id", "602"}}, {24, 8});

    FakeWidget* main = Add(page, "window_main", {{"pos", "1,[0,-1,-1"}, {"visible", "1"}});
    FakeWidget* box =
        Add(main, "progress_box", {{"pos", "|0,|0"}, {"offset", "-0.5,-0.5"}, {"size", "600,50"}});
    Add(box, "text_pro", {{"pos", "0,0"}}, {120, 27});
    Add(box, "progress", {{"pos", "0,[10,-0,-0"}, {"height", "10"}});
  }

  void ShowPage(int page) {
    m_widgets["window_0"]->SetVisible(page == 0);
    m_widgets["window_1"]->SetVisible(page == 1);
    m_root->SetRootRect({0, 0, 840, 580});
  }

  void ExpectRects(const std::map<std::string, Rect>& expected) {
    for (const auto& [name, rect] : expected) {
      SCOPED_TRACE(name);
      ASSERT_TRUE(m_widgets.count(name));
      EXPECT_EQ(m_widgets[name]->GetRect(), rect);
    }
  }

  std::unique_ptr<FakeWidget> m_root;
  std::map<std::string, FakeWidget*> m_widgets;
};

TEST_F(ShippedLayoutTest, PlacesTheInstallPage) {
  ShowPage(0);
  ExpectRects({
      {"window_0", {1, 1, 839, 579}},
      {"caption_0", {1, 1, 839, 339}},  // a banner 338 pixels high
      {"img_0", {1, 1, 839, 339}},
      {"sslogo", {212, 116, 629, 225}},
      {"btn_close", {794, 21, 812, 39}},
      {"btn_min", {759, 21, 777, 39}},
      {"body_0", {2, 339, 838, 578}},
      {"label_path", {42, 369, 98, 388}},
      {"edit_frame", {42, 398, 642, 428}},
      {"edit_choose_url", {46, 399, 638, 427}},  // inside the frame's 1-pixel margins
      {"btn_choose_changedir", {652, 398, 762, 428}},
      {"radio_zmkj", {42, 438, 156, 455}},
      {"radio_auto", {166, 438, 256, 455}},
      {"radio_xieyi", {266, 438, 426, 455}},
      {"link_agreement", {429, 438, 477, 455}},
      // 200 x 40, centred on the page body, 40 pixels below the check box row.
      {"btn_ok_install", {320, 495, 520, 535}},
  });
  EXPECT_EQ(m_widgets["window_1"]->AppliedCount(), 0);  // the hidden page is left alone
}

TEST_F(ShippedLayoutTest, PlacesTheProgressPage) {
  ShowPage(1);
  ExpectRects({
      {"window_1", {1, 1, 839, 579}},
      {"caption_1", {1, 1, 839, 439}},  // a banner 438 pixels high
      {"img_0_progress", {1, 1, 839, 439}},
      {"btn_close_progress", {794, 21, 812, 39}},
      // The radio group wraps its three buttons and is centred by its offset.
      {"radio_group", {382, 419, 458, 427}},
      {"mygame_radio_0", {382, 419, 406, 427}},
      {"mygame_radio_1", {408, 419, 432, 427}},
      {"mygame_radio_2", {434, 419, 458, 427}},
      {"window_main", {2, 439, 838, 578}},
      {"progress_box", {120, 483, 720, 533}},
      {"text_pro", {120, 483, 240, 510}},
      {"progress", {120, 520, 720, 530}},
  });
  EXPECT_EQ(m_widgets["img_1"]->AppliedCount(), 0);
  EXPECT_EQ(m_widgets["img_2"]->AppliedCount(), 0);
}

TEST_F(ShippedLayoutTest, SwitchingPagesLeavesTheOtherPageWhereItWas) {
  ShowPage(0);
  ShowPage(1);
  EXPECT_EQ(m_widgets["btn_ok_install"]->GetRect(), (Rect{320, 495, 520, 535}));
  EXPECT_EQ(m_widgets["progress"]->GetRect(), (Rect{120, 520, 720, 530}));
  EXPECT_EQ(m_widgets["window_0"]->AppliedCount(), 1);
}

}  // namespace
}  // namespace toolkit
