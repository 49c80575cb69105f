// The shipped main window: every widget of the layout with its class, id, attributes and
// rectangle in the 840 x 580 client area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widget_test_support.h"

namespace widgets_test {
namespace {

using toolkit::Rect;
using toolkit::Widget;

void Flatten(Widget* widget, std::vector<Widget*>* out) {
  out->push_back(widget);
  for (size_t i = 0; i < widget->ChildCount(); ++i) Flatten(widget->ChildAt(i), out);
}

std::vector<Widget*> DocumentOrder(const ShippedWindow& window) {
  std::vector<Widget*> widgets;
  Flatten(window.Root(), &widgets);
  return widgets;
}

struct WidgetRow {
  int depth;
  const char* className;
  const char* name;
  int id;
  Rect rect;
  bool visible;
  const char* text;
};

// Rectangles as the stand-in measurer sizes text (see text_measurer.h); widgets on the hidden
// progress page have not been laid out yet.
const WidgetRow kInstallPage[] = {
    {0, "window", "", 0, {0, 0, 840, 580}, true, ""},
    {1, "window", "window_0", 65536, {1, 1, 839, 579}, true, ""},
    {2, "caption", "", 0, {1, 1, 839, 339}, true, ""},
    {3, "img", "img_0", 65537, {1, 1, 839, 339}, true, ""},
    {3, "img", "", 0, {212, 116, 629, 225}, true, ""},
    {3, "imgbtn", "btn_close", 65538, {794, 21, 812, 39}, true, ""},
    {3, "imgbtn", "btn_min", 65539, {759, 21, 777, 39}, true, ""},
    {2, "window", "", 0, {2, 339, 838, 578}, true, ""},
    {3, "text", "", 0, {42, 369, 98, 387}, true, "选择路径"},
    {3, "window", "", 0, {42, 397, 642, 427}, true, ""},
    {4, "edit", "edit_choose_url", 65540, {46, 398, 638, 426}, true, ""},
    {3, "imgbtn", "btn_choose_changedir", 65541, {652, 397, 762, 427}, true, "浏览..."},
    {3, "check", "radio_zmkj", 65542, {42, 437, 156, 453}, true, "创建桌面快捷方式"},
    {3, "check", "radio_auto", 65543, {166, 437, 256, 453}, true, "开机自动启动"},
    {3, "check", "radio_xieyi", 65544, {266, 437, 440, 453}, true, "阅读并同意Zorvik网络加速器"},
    {3, "link", "link_agreement", 65545, {443, 437, 491, 453}, true, "服务协议"},
    {3, "imgbtn", "btn_ok_install", 65546, {320, 493, 520, 533}, true, "立即安装"},
    {1, "window", "window_1", 65547, {0, 0, 0, 0}, false, ""},
    {2, "caption", "", 0, {0, 0, 0, 0}, true, "-->"},
    {3, "img", "img_0", 65537, {0, 0, 0, 0}, true, ""},
    {3, "img", "img_1", 65548, {0, 0, 0, 0}, false, ""},
    {3, "img", "img_2", 65549, {0, 0, 0, 0}, false, ""},
    {3, "imgbtn", "btn_close", 65538, {0, 0, 0, 0}, true, ""},
    {3, "imgbtn", "btn_min", 65539, {0, 0, 0, 0}, true, ""},
    {3, "window", "", 0, {0, 0, 0, 0}, true, ""},
    {4, "radio", "mygame_radio_0", 600, {0, 0, 0, 0}, true, ""},
    {4, "radio", "mygame_radio_1", 601, {0, 0, 0, 0}, true, ""},
    {4, "radio", "mygame_radio_2", 602, {0, 0, 0, 0}, true, ""},
    {2, "window", "window_main", 65550, {0, 0, 0, 0}, true, ""},
    {3, "window", "", 0, {0, 0, 0, 0}, true, ""},
    {4, "text", "text_pro", 65551, {0, 0, 0, 0}, true, "正在更新 0%"},
    {4, "progress", "progress", 65552, {0, 0, 0, 0}, true, ""},
    {3, "text", "text_reason", 65553, {0, 0, 0, 0}, false, ""},
    {3, "imgbtn", "btn_retry", 65554, {0, 0, 0, 0}, false, "重试"},
};

TEST(ShippedWindowTest, LoadsFromThePackage) {
  ShippedWindow window;
  ASSERT_EQ(window.definitionResult.error, toolkit::UiDefinitionError::kNone)
      << window.definitionResult.detail;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  const toolkit::HostAttributes& host = window.tree->Host();
  EXPECT_EQ(host.name, "mainWindow");
  EXPECT_EQ(host.title, "");  // "@string/title" is the empty text
  EXPECT_EQ(host.width, 840);
  EXPECT_EQ(host.height, 580);
  EXPECT_EQ(host.resizeMargin, (toolkit::Insets{5, 5, 5, 5}));
  EXPECT_TRUE(host.resizable);
  EXPECT_EQ(host.windowType, "appMain");
  EXPECT_TRUE(host.translucent);
  EXPECT_TRUE(host.appWindow);
  EXPECT_EQ(host.bigIcon.name, "ICON_LOGO");
  EXPECT_EQ(host.bigIcon.size, 32);
  EXPECT_EQ(host.smallIcon.name, "ICON_LOGO");
  EXPECT_EQ(host.smallIcon.size, 16);
}

TEST(HostAttributesTest, IconIsANameAndASize) {
  const struct {
    const char* value;
    const char* name;
    int size;
  } rows[] = {
      {"ICON_LOGO:32", "ICON_LOGO", 32},
      {"ICON_LOGO", "ICON_LOGO", 0},
      {"", "", 0},
      {" ICON_LOGO : 16", "ICON_LOGO", 16},  // white space around the parts
      {"A:B:48", "A:B", 48},                 // the size follows the last colon
      {"ICON_LOGO:big", "ICON_LOGO", 0},
      {":24", "", 24},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const toolkit::HostIcon icon = toolkit::ParseHostIcon(rows[i].value);
    EXPECT_EQ(icon.name, rows[i].name);
    EXPECT_EQ(icon.size, rows[i].size);
  }
}

TEST(ShippedWindowTest, EveryWidgetInDocumentOrder) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  const std::vector<Widget*> widgets = DocumentOrder(window);
  ASSERT_EQ(widgets.size(), std::size(kInstallPage));
  for (size_t i = 0; i < widgets.size(); ++i) {
    SCOPED_TRACE(i);
    const WidgetRow& row = kInstallPage[i];
    const Widget* widget = widgets[i];
    EXPECT_EQ(widget->Depth(), row.depth);
    EXPECT_STREQ(widget->ClassName(), row.className);
    EXPECT_EQ(widget->GetName(), row.name);
    EXPECT_EQ(widget->GetId(), row.id);
    EXPECT_EQ(widget->GetRect(), row.rect);
    EXPECT_EQ(widget->IsVisible(), row.visible);
    EXPECT_EQ(widget->GetText(), row.text);
  }
}

TEST(ShippedWindowTest, ProgressPageRectangles) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  window.ShowProgressPage();
  const struct {
    const char* name;
    Rect rect;
  } rows[] = {
      {"window_1", {1, 1, 839, 579}},
      {"btn_close", {794, 21, 812, 39}},  // the install page's, found first by name
      {"mygame_radio_0", {382, 419, 406, 427}},
      {"mygame_radio_1", {408, 419, 432, 427}},
      {"mygame_radio_2", {434, 419, 458, 427}},
      {"window_main", {2, 439, 838, 578}},
      {"text_pro", {120, 463, 230, 489}},
      {"progress", {120, 499, 720, 509}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const Widget* widget = window.Find(rows[i].name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->GetRect(), rows[i].rect);
  }
  // The progress page's banner is 438 pixels high; the radio row sits 20 pixels above its
  // bottom, centred.
  const Widget* banner = window.Find("window_1")->ChildAt(0);
  EXPECT_EQ(banner->GetRect(), (Rect{1, 1, 839, 439}));
  const Widget* radio_row = window.Find("mygame_radio_0")->GetParent();
  EXPECT_EQ(radio_row->GetRect().top, banner->GetRect().bottom - 20);
  EXPECT_EQ(radio_row->GetRect().left + radio_row->GetRect().right,
            banner->GetRect().left + banner->GetRect().right);
  // The progress window is 600 x 50, centred across window_main and 20 pixels above its middle:
  // the failure's line and 重试 go below it.
  const Widget* main = window.Find("window_main");
  const Rect box = window.Find("progress")->GetParent()->GetRect();
  EXPECT_EQ(box.Width(), 600);
  EXPECT_EQ(box.Height(), 50);
  EXPECT_EQ(box.left - main->GetRect().left, main->GetRect().right - box.right);
  EXPECT_LE(std::abs((box.top - main->GetRect().top) - (main->GetRect().bottom - box.bottom) + 40),
            1);
}

TEST(ShippedWindowTest, InstallButtonCentredBelowTheCheckBoxRow) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  const Widget* button = window.Find("btn_ok_install");
  const Widget* page = button->GetParent();
  EXPECT_EQ(button->GetRect().Width(), 200);
  EXPECT_EQ(button->GetRect().Height(), 40);
  EXPECT_EQ(button->GetRect().left - page->GetRect().left,
            page->GetRect().right - button->GetRect().right);
  for (const char* name : {"radio_zmkj", "radio_auto", "radio_xieyi", "link_agreement"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(button->GetRect().top, window.Find(name)->GetRect().bottom + 40);
  }
}

TEST(ShippedWindowTest, AttributesAsWritten) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  const struct {
    const char* name;
    const char* attribute;
    const char* value;
  } rows[] = {
      {"window_0", "pos", "1,1,-1,-1"},
      {"btn_close", "tip", "关闭"},
      {"btn_close", "animate", "1"},
      {"btn_min", "skin", "skin_min"},
      {"edit_choose_url", "readonly", "1"},
      {"edit_choose_url", "font", "face:微软雅黑,bold:0,size:14"},
      {"btn_choose_changedir", "height", "30"},
      {"radio_zmkj", "drawFocusRect", "0"},
      {"radio_auto", "checked", "0"},
      {"link_agreement", "cursor", "hand"},
      {"link_agreement", "fontHover", "face:微软雅黑,bold:0,size:12,underline:1,italic:0"},
      {"btn_ok_install", "offset", "-0.5,0"},
      {"mygame_radio_1", "id", "601"},
      {"mygame_radio_2", "skin", "skin_radio选择"},
      {"window_main", "colorBkgnd", "#FFFFFF"},
      {"progress", "showPercent", "0"},
      {"progress", "bkgndSkin", "skin_progress_bkg"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const Widget* widget = window.Find(rows[i].name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->GetAttribute(rows[i].attribute).value_or("<none>"), rows[i].value);
  }

  auto* edit = window.Root()->FindChildByClass<toolkit::EditBox>("edit_choose_url");
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(edit->IsReadOnly());
  auto* link = window.Root()->FindChildByClass<toolkit::Hyperlink>("link_agreement");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->GetHref(),
            "http://www.zorvik.example/aboutUs.html?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE");
  auto* progress = window.Root()->FindChildByClass<toolkit::ProgressBar>("progress");
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->GetValue(), 10);
  EXPECT_EQ(progress->GetMin(), 0);
  EXPECT_EQ(progress->GetMax(), 100);
  EXPECT_FALSE(progress->ShowsPercent());
  ASSERT_NE(progress->PositionSkin(), nullptr);
  EXPECT_EQ(progress->PositionSkin()->Name(), "skin_progress_frg");
}

TEST(ShippedWindowTest, FirstImg0IsTheInstallPagePicture) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  Widget* found = window.Root()->FindChildByClass<toolkit::Picture>("img_0");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetParent()->GetParent(), window.Find("window_0"));
  EXPECT_EQ(window.Find("window_1")->FindChildByName("img_0")->GetParent()->GetParent(),
            window.Find("window_1"));
  EXPECT_NE(window.Find("window_1")->FindChildByName("img_0"), found);
}

TEST(ShippedWindowTest, CheckBoxesDrawTheirStartFrames) {
  ShippedWindow window;
  ASSERT_TRUE(window.Loaded()) << window.layoutDetail;
  const struct {
    const char* name;
    int frame;
  } rows[] = {{"radio_zmkj", 4},     {"radio_auto", 0},     {"radio_xieyi", 4},
              {"mygame_radio_0", 4}, {"mygame_radio_1", 0}, {"btn_ok_install", 0}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(window.Find(rows[i].name)->CurrentFrame(), rows[i].frame);
  }
}

}  // namespace
}  // namespace widgets_test
