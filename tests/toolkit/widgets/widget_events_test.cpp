// Mouse routing, hover and pressed states, command events, links and caption clicks on the
// shipped main window.
#include <gtest/gtest.h>

#include "widget_test_support.h"

namespace widgets_test {
namespace {

using toolkit::Widget;

class WidgetEventsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Loaded()) << window.layoutDetail; }
  ShippedWindow window;
};

TEST_F(WidgetEventsTest, ClickOnInstallButtonRaisesCommand) {
  window.ClickCentre(window.Find("btn_ok_install"));
  ASSERT_EQ(window.host.events.size(), 1u);
  EXPECT_EQ(window.host.events[0].id, toolkit::kEventCommand);
  EXPECT_EQ(window.host.events[0].senderName, "btn_ok_install");
  EXPECT_EQ(window.host.events[0].senderId, 65546);
}

TEST_F(WidgetEventsTest, DisabledButtonRaisesNothing) {
  Widget* agreement = window.Find("radio_xieyi");
  Widget* install = window.Find("btn_ok_install");
  // The program disables the install button when the agreement is unticked.
  agreement->Subscribe(toolkit::kEventCommand, [&](toolkit::EventArgs& args) {
    install->Enable(args.sender->IsChecked(), true);
    return true;
  });
  window.ClickCentre(agreement);
  EXPECT_FALSE(agreement->IsChecked());
  EXPECT_FALSE(install->IsEnabled());
  EXPECT_EQ(install->CurrentFrame(), 3);  // the disabled frame of the 4-state skin
  window.ClickCentre(install);
  EXPECT_TRUE(window.host.events.empty());
  EXPECT_FALSE(install->IsPressed());
  EXPECT_FALSE(install->IsHover());
  EXPECT_EQ(install->CurrentFrame(), 3);
}

TEST_F(WidgetEventsTest, CheckBoxFlipsBeforeTheEvent) {
  Widget* autostart = window.Find("radio_auto");
  bool seen_checked = false;
  autostart->Subscribe(toolkit::kEventCommand, [&](toolkit::EventArgs& args) {
    seen_checked = args.sender->IsChecked();
    return false;  // left to the host's event map
  });
  window.ClickCentre(autostart);
  EXPECT_TRUE(seen_checked);
  EXPECT_TRUE(autostart->IsChecked());
  ASSERT_EQ(window.host.events.size(), 1u);
  EXPECT_EQ(window.host.events[0].senderName, "radio_auto");
  EXPECT_EQ(autostart->CurrentFrame(), 5);  // checked, hover: the pointer is still on it
  window.tree->OnMouseLeave();
  EXPECT_EQ(autostart->CurrentFrame(), 4);
}

TEST_F(WidgetEventsTest, HandledEventsDoNotReachTheHost) {
  Widget* install = window.Find("btn_ok_install");
  install->Subscribe(toolkit::kEventCommand, [](toolkit::EventArgs&) { return true; });
  window.ClickCentre(install);
  EXPECT_TRUE(window.host.events.empty());
}

TEST_F(WidgetEventsTest, ReleaseOutsideIsNoClick) {
  Widget* install = window.Find("btn_ok_install");
  const int x = ShippedWindow::CentreX(install);
  const int y = ShippedWindow::CentreY(install);
  window.tree->OnMouseMove(x, y);
  EXPECT_EQ(install->CurrentFrame(), 1);
  window.tree->OnLeftButtonDown(x, y);
  EXPECT_EQ(install->CurrentFrame(), 2);
  window.tree->OnMouseMove(5, 570);
  EXPECT_EQ(install->CurrentFrame(), 0);  // left while held: neither pressed nor hovered
  window.tree->OnMouseMove(x, y);
  EXPECT_EQ(install->CurrentFrame(), 2);
  window.tree->OnMouseMove(5, 570);
  window.tree->OnLeftButtonUp(5, 570);
  EXPECT_TRUE(window.host.events.empty());
  EXPECT_EQ(window.tree->Captured(), nullptr);
}

TEST_F(WidgetEventsTest, PressOnOneReleaseOnAnotherIsNoClick) {
  Widget* install = window.Find("btn_ok_install");
  Widget* browse = window.Find("btn_choose_changedir");
  window.tree->OnLeftButtonDown(ShippedWindow::CentreX(install), ShippedWindow::CentreY(install));
  window.tree->OnLeftButtonUp(ShippedWindow::CentreX(browse), ShippedWindow::CentreY(browse));
  EXPECT_TRUE(window.host.events.empty());
}

TEST_F(WidgetEventsTest, RadioGroupIsExclusive) {
  window.ShowProgressPage();
  Widget* radios[] = {window.Find("mygame_radio_0"), window.Find("mygame_radio_1"),
                      window.Find("mygame_radio_2")};
  window.ClickCentre(radios[2]);
  EXPECT_FALSE(radios[0]->IsChecked());
  EXPECT_FALSE(radios[1]->IsChecked());
  EXPECT_TRUE(radios[2]->IsChecked());
  ASSERT_EQ(window.host.events.size(), 1u);
  EXPECT_EQ(window.host.events[0].senderId, 602);
  // Clicking the checked one keeps it checked and still raises the event.
  window.ClickCentre(radios[2]);
  EXPECT_TRUE(radios[2]->IsChecked());
  EXPECT_EQ(window.host.events.size(), 2u);
  // The program's own SetCheck follows the same rule.
  radios[1]->SetCheck(true);
  EXPECT_FALSE(radios[0]->IsChecked());
  EXPECT_TRUE(radios[1]->IsChecked());
  EXPECT_FALSE(radios[2]->IsChecked());
  // Check boxes are no group.
  window.Find("radio_auto")->SetCheck(true);
  EXPECT_TRUE(window.Find("radio_zmkj")->IsChecked());
  EXPECT_TRUE(window.Find("radio_xieyi")->IsChecked());
}

TEST_F(WidgetEventsTest, LinkRaisesCommandThenOpensItsHref) {
  Widget* link = window.Find("link_agreement");
  link->Subscribe(toolkit::kEventCommand, [&](toolkit::EventArgs&) {
    EXPECT_TRUE(window.host.links.empty());  // the command event comes first
    return false;
  });
  window.ClickCentre(link);
  ASSERT_EQ(window.host.events.size(), 1u);
  EXPECT_EQ(window.host.events[0].senderName, "link_agreement");
  ASSERT_EQ(window.host.links.size(), 1u);
  EXPECT_EQ(window.host.links[0],
            "http://www.zorvik.example/aboutUs.html?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE");
}

TEST_F(WidgetEventsTest, LabelsAndPicturesRaiseNothing) {
  window.ClickCentre(window.Find("edit_choose_url"));
  window.ClickCentre(window.Find("btn_ok_install")->GetParent()->ChildAt(0));  // the label
  EXPECT_TRUE(window.host.events.empty());
  EXPECT_EQ(window.host.moves, 0);
}

TEST_F(WidgetEventsTest, CaptionPressMovesTheWindowUnlessMaximised) {
  const Widget* banner = window.Find("img_0");  // a picture inside the caption
  window.tree->OnLeftButtonDown(100, 200);
  EXPECT_EQ(window.tree->HitTest(100, 200), banner->GetParent());
  EXPECT_EQ(window.host.moves, 1);
  EXPECT_EQ(window.tree->Captured(), nullptr);
  window.tree->OnLeftButtonUp(100, 200);
  window.host.frame.maximised = true;
  window.tree->OnLeftButtonDown(100, 200);
  EXPECT_EQ(window.host.moves, 1);
  EXPECT_TRUE(window.host.events.empty());
}

TEST_F(WidgetEventsTest, CaptionDoubleClickMaximisesOrRestores) {
  const struct {
    bool maximised, sizingFrame, maximiseBox;
    int maximises, restores;
  } rows[] = {
      {false, true, true, 1, 0},  {true, true, true, 0, 1},   {false, false, true, 0, 0},
      {false, true, false, 0, 0}, {true, false, false, 0, 0},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    ShippedWindow fresh;
    ASSERT_TRUE(fresh.Loaded());
    fresh.host.frame = {rows[i].maximised, rows[i].sizingFrame, rows[i].maximiseBox};
    fresh.tree->OnLeftButtonDoubleClick(100, 200);
    EXPECT_EQ(fresh.host.maximises, rows[i].maximises);
    EXPECT_EQ(fresh.host.restores, rows[i].restores);
  }
}

TEST_F(WidgetEventsTest, CloseButtonIsAboveTheCaption) {
  Widget* close = window.Find("btn_close");
  window.ClickCentre(close);
  EXPECT_EQ(window.host.moves, 0);
  ASSERT_EQ(window.host.events.size(), 1u);
  EXPECT_EQ(window.host.events[0].senderId, 65538);
}

TEST_F(WidgetEventsTest, HiddenPageTakesNoClicks) {
  // The progress page's close button lies under the install page's; hidden, it gets nothing.
  Widget* hidden_close = window.Find("window_1")->FindChildByName("btn_close");
  window.ShowProgressPage();
  Widget* shown_close = window.Find("window_1")->FindChildByName("btn_close");
  EXPECT_EQ(hidden_close, shown_close);
  EXPECT_EQ(window.tree->HitTest(ShippedWindow::CentreX(shown_close),
                                 ShippedWindow::CentreY(shown_close)),
            shown_close);
  EXPECT_EQ(window.tree->HitTest(ShippedWindow::CentreX(window.Find("btn_ok_install")),
                                 ShippedWindow::CentreY(window.Find("btn_ok_install"))),
            nullptr);
}

TEST_F(WidgetEventsTest, ProgressValueIsClamped) {
  auto* progress = window.Root()->FindChildByClass<toolkit::ProgressBar>("progress");
  ASSERT_NE(progress, nullptr);
  const struct { int value, stored; } rows[] = {{50, 50}, {-5, 0}, {100, 100}, {250, 100}, {0, 0}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(progress->SetValue(rows[i].value));
    EXPECT_EQ(progress->GetValue(), rows[i].stored);
  }
}

}  // namespace
}  // namespace widgets_test
