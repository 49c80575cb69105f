// Skin frame choice by state, and what widgets paint through the canvas.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/recording_canvas.h"
#include "widget_test_support.h"

namespace widgets_test {
namespace {

using toolkit::Skin;
using toolkit::SkinKind;
using toolkit::SkinState;

Skin MakeSkin(int states, int width = 120, int height = 10) {
  return Skin(SkinKind::kImageList, "s", "img:s", states, {}, toolkit::Size{width, height});
}

TEST(SkinTest, FrameByState) {
  const SkinState normal{};
  const SkinState hover{true, false, false, false};
  const SkinState pressed{true, true, false, false};
  const SkinState disabled{true, false, true, false};
  const SkinState checked{false, false, false, true};
  const SkinState checked_pressed{true, true, false, true};
  const SkinState checked_disabled{false, false, true, true};
  const struct {
    int states;
    SkinState state;
    int frame;
  } rows[] = {
      {1, pressed, 0},  {3, normal, 0},   {3, hover, 1},           {3, pressed, 2},
      {3, disabled, 0}, {4, disabled, 3}, {4, pressed, 2},         {4, checked, 0},
      {8, normal, 0},   {8, checked, 4},  {8, checked_pressed, 6}, {8, checked_disabled, 7},
      {8, disabled, 3}, {2, pressed, 1},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(MakeSkin(rows[i].states).FrameFor(rows[i].state), rows[i].frame);
  }
}

TEST(SkinTest, DrawsTheFrameOrNothing) {
  toolkit_test::RecordingCanvas canvas;
  MakeSkin(4, 800, 40).Draw(canvas, {10, 20, 210, 60}, 3);
  Skin framed(SkinKind::kImageFrame, "f", "img:f", 1, {5, 1, 5, 1}, toolkit::Size{12, 8});
  framed.Draw(canvas, {0, 0, 300, 10}, 0);
  Skin absent(SkinKind::kImageList, "a", "img:a", 9, {}, std::nullopt);
  absent.Draw(canvas, {0, 0, 10, 10}, 0);
  MakeSkin(4).Draw(canvas, {0, 0, 10, 10}, 4);  // no such frame
  ASSERT_EQ(canvas.Calls().size(), 2u);
  EXPECT_EQ(canvas.Calls()[0], "image img:s (600,0,800,40) -> (10,20,210,60)");
  EXPECT_EQ(canvas.Calls()[1], "nine img:f (0,0,12,8) margins 5,1,5,1 -> (0,0,300,10)");
  EXPECT_FALSE(absent.HasImage());
  EXPECT_EQ(absent.FrameSize(), (toolkit::Size{0, 0}));
}

bool Contains(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(WidgetPaintTest, InstallPage) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  toolkit_test::RecordingCanvas canvas;
  window.tree->Paint(canvas);
  const auto& calls = canvas.Calls();
  const char* expected[] = {
      "fill (0,0,840,580) #ff000000",
      "image img:img_1 (0,0,840,440) -> (1,1,839,339)",
      "fill (2,339,838,578) #ffffffff",
      "text \"选择路径\" 微软雅黑 14 #ff000000 (42,369,98,387)",
      "border (42,397,642,427) #ffa98b6c 1",
      "image img:custom_button (0,0,110,32) -> (652,397,762,427)",
      "text \"浏览...\" 微软雅黑 14 #ff666666 (652,397,762,427)",
      // The check box: frame 4 (checked) at the left, vertically centred, the text after it.
      "image img:login_checkbox (56,0,70,14) -> (42,438,56,452)",
      "text \"创建桌面快捷方式\" 微软雅黑 12 #ff666666 (60,437,156,453)",
      "image img:login_checkbox (0,0,14,14) -> (166,438,180,452)",
      "image img:buttonlogin (0,0,200,40) -> (320,493,520,533)",
      "text \"立即安装\" 微软雅黑 18 #ffffffff (320,493,520,533)",
  };
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(Contains(calls, expected[i])) << expected[i];
  }
  // Nothing of the hidden progress page is drawn.
  for (const std::string& call : calls) {
    EXPECT_EQ(call.find("img:progress"), std::string::npos) << call;
    EXPECT_EQ(call.find("-->"), std::string::npos) << call;
  }
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "unclip"),
            std::count_if(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.rfind("clip ", 0) == 0; }));
}

TEST(WidgetPaintTest, ProgressBarIsNineSliced) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  window.ShowProgressPage();
  auto* progress = window.Root()->FindChildByClass<toolkit::ProgressBar>("progress");
  ASSERT_NE(progress, nullptr);
  progress->SetValue(25);
  toolkit_test::RecordingCanvas canvas;
  window.tree->Paint(canvas);
  EXPECT_TRUE(Contains(canvas.Calls(),
                       "nine img:progress_bkg (0,0,12,8) margins 5,1,5,1 -> (120,499,720,509)"));
  EXPECT_TRUE(Contains(canvas.Calls(),
                       "nine img:progress_frg (0,0,12,8) margins 5,1,5,1 -> (120,499,270,509)"));
  progress->SetValue(0);
  canvas.Clear();
  window.tree->Paint(canvas);
  for (const std::string& call : canvas.Calls()) {
    EXPECT_EQ(call.find("img:progress_frg"), std::string::npos) << call;
  }
}

TEST(WidgetPaintTest, LinkUsesItsHoverFont) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  toolkit::Widget* link = window.Find("link_agreement");
  EXPECT_FALSE(link->GetFont()->GetRequest().style.Underline());
  window.tree->OnMouseMove(ShippedWindow::CentreX(link), ShippedWindow::CentreY(link));
  ASSERT_TRUE(link->IsHover());
  EXPECT_TRUE(link->GetFont()->GetRequest().style.Underline());
  EXPECT_EQ(link->GetFont()->GetRequest().style.Height(), 12);
  // A widget without a font of its own draws with its parent's: the caption's "adding:0".
  const auto caption_font = window.Find("btn_close")->GetFont();
  EXPECT_EQ(caption_font->GetRequest().face, "宋体");
  EXPECT_EQ(caption_font->GetRequest().style.Height(), 15);
}

}  // namespace
}  // namespace widgets_test
