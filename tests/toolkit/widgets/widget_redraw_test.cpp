// How changes reach the screen: a change requests layout and invalidates, a flush lays out and
// paints once. Text changes resize their widget, a state a widget already has costs nothing, and
// a progress step touches only the bar and the status line.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "widget_test_support.h"

namespace widgets_test {
namespace {

using toolkit::Rect;
using toolkit::Widget;

bool Contains(const std::vector<std::string>& calls, const std::string& prefix) {
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

TEST(WidgetLayoutTest, TextChangeResizesTheWidgetAndMovesWhatFollows) {
  // Rectangles as the stand-in measurer sizes text: CJK characters are as wide as the font is
  // high, others half as wide (text_pro: 20 pixels, the check boxes: 12 and a 14-pixel box).
  const struct {
    bool progressPage;
    const char* name;
    const char* text;
    Rect rect;
    const char* follower;  // a sibling placed after it
    Rect followerRect;
  } rows[] = {
      {true, "text_pro", "正在安装 100%", {120, 463, 250, 489}, "progress", {120, 499, 720, 509}},
      {true, "text_pro", "正在更新 -5%", {120, 463, 240, 489}, "progress", {120, 499, 720, 509}},
      {true, "text_pro", "下载失败", {120, 463, 200, 489}, "progress", {120, 499, 720, 509}},
      {true, "text_pro", "", {120, 463, 120, 463}, "progress", {120, 473, 720, 483}},
      {false,
       "radio_auto",
       "开机自动启动并最小化",
       {166, 437, 304, 453},
       "radio_xieyi",
       {314, 437, 488, 453}},
      {false, "radio_auto", "自启", {166, 437, 208, 453}, "link_agreement", {395, 437, 443, 453}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    ShippedWindow window;
    ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
    if (rows[i].progressPage) window.ShowProgressPage();
    Widget* widget = window.Find(rows[i].name);
    const Rect before = widget->GetRect();
    window.host.ClearRecords();
    widget->SetText(rows[i].text);
    EXPECT_EQ(window.host.layoutRequests, 1);
    EXPECT_EQ(widget->GetRect(), before);  // laid out by the host's flush, not at once
    window.host.Flush();
    EXPECT_EQ(widget->GetRect(), rows[i].rect);
    EXPECT_EQ(window.Find(rows[i].follower)->GetRect(), rows[i].followerRect);
  }
}

TEST(WidgetRedrawTest, PageSwitchFlushesOnceWithTheNewPageLaidOut) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  window.Find("window_0")->SetVisible(false, false);
  EXPECT_EQ(window.host.flushes, 0);
  EXPECT_GE(window.host.layoutRequests, 1);
  window.Find("window_1")->SetVisible(true, true);
  ASSERT_EQ(window.host.flushes, 1);
  // The one frame shows the progress page in its place and nothing of the install page.
  const std::vector<std::string>& frame = window.host.flushedFrame;
  EXPECT_TRUE(Contains(frame, "text \"正在更新 0%\" 微软雅黑 20 #ff333333 (120,463,230,489)"));
  EXPECT_TRUE(Contains(frame, "nine img:progress_bkg"));
  EXPECT_FALSE(Contains(frame, "text \"立即安装\""));
  EXPECT_EQ(window.Find("window_1")->GetRect(), (Rect{1, 1, 839, 579}));
  // The page's whole area waits to be painted: the old page's and the new page's.
  ASSERT_FALSE(window.host.invalidated.empty());
  Rect area;
  for (const Rect& rect : window.host.invalidated) area = area.United(rect);
  EXPECT_EQ(area, (Rect{1, 1, 839, 579}));
}

TEST(WidgetRedrawTest, TheStateAWidgetHasInvalidatesNothing) {
  using Change = std::function<void(ShippedWindow&)>;
  const auto progress = [](ShippedWindow& window) {
    return window.Root()->FindChildByClass<toolkit::ProgressBar>("progress");
  };
  const struct {
    const char* what;
    Change before;  // brings the widget into the state, then records are cleared
    Change change;
  } rows[] = {
      {"the layout's status text", nullptr,
       [](ShippedWindow& w) { w.Find("text_pro")->SetText("正在更新 0%"); }},
      {"an empty edit box", nullptr,
       [](ShippedWindow& w) { w.Find("edit_choose_url")->SetText(""); }},
      {"the layout's progress value", nullptr,
       [&](ShippedWindow& w) { progress(w)->SetValue(10); }},
      {"a value clamped to the one shown", [&](ShippedWindow& w) { progress(w)->SetValue(100); },
       [&](ShippedWindow& w) { progress(w)->SetValue(150); }},
      {"below the minimum at 0", [&](ShippedWindow& w) { progress(w)->SetValue(0); },
       [&](ShippedWindow& w) { progress(w)->SetValue(-5); }},
      {"a ticked check box", nullptr,
       [](ShippedWindow& w) { w.Find("radio_zmkj")->SetCheck(true); }},
      {"the checked radio button", nullptr,
       [](ShippedWindow& w) { w.Find("mygame_radio_0")->SetCheck(true); }},
      {"an enabled button, redraw now", nullptr,
       [](ShippedWindow& w) { w.Find("btn_ok_install")->Enable(true, true); }},
      {"the shown page, redraw now", nullptr,
       [](ShippedWindow& w) { w.Find("window_0")->SetVisible(true, true); }},
      {"the hidden page", nullptr,
       [](ShippedWindow& w) { w.Find("window_1")->SetVisible(false, true); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ShippedWindow window;
    ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
    ASSERT_NE(progress(window), nullptr);
    if (row.before) row.before(window);
    window.host.Flush();
    window.host.ClearRecords();
    row.change(window);
    EXPECT_TRUE(window.host.invalidated.empty());
    EXPECT_EQ(window.host.layoutRequests, 0);
    EXPECT_EQ(window.host.flushes, 0);
  }
}

TEST(WidgetRedrawTest, ProgressStepInvalidatesTheBarAndTheStatusLineOnly) {
  const struct {
    int value;
    const char* text;
  } rows[] = {
      {0, "正在安装 0%"},     {37, "正在安装 37%"}, {100, "正在安装 100%"},
      {150, "正在更新 150%"}, {-5, "正在更新 -5%"}, {37, "下载失败"},
  };
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  window.ShowProgressPage();
  auto* bar = window.Root()->FindChildByClass<toolkit::ProgressBar>("progress");
  Widget* status = window.Find("text_pro");
  const Rect banner = window.Find("window_1")->ChildAt(0)->GetRect();
  ASSERT_EQ(banner, (Rect{1, 1, 839, 439}));
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    window.host.ClearRecords();
    const Rect status_before = status->GetRect();
    bar->SetValue(rows[i].value);
    status->SetText(rows[i].text);
    window.host.Flush();
    // What is invalid: the bar and the status line where it was and where it is now.
    const Rect allowed = bar->GetRect().United(status_before).United(status->GetRect());
    ASSERT_FALSE(window.host.invalidated.empty());
    for (const Rect& rect : window.host.invalidated) {
      EXPECT_EQ(rect.Intersected(allowed), rect) << toolkit_test::FormatRect(rect);
      EXPECT_TRUE(rect.Intersected(banner).IsEmpty()) << toolkit_test::FormatRect(rect);
    }
    // Nor is the banner drawn again (scaling it is a paint's dearest part).
    for (const std::string& call : window.host.flushedFrame) {
      EXPECT_EQ(call.find(toolkit_test::FormatRect(banner)), std::string::npos) << call;
    }
  }
}

}  // namespace
}  // namespace widgets_test
