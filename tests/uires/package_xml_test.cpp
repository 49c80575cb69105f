// The package's XML resources as the program ships them: layout, UI definition, value tables.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <optional>
#include <string>
#include <vector>

#include "package_folder.h"
#include "toolkit/core/folder_resource_provider.h"

namespace {

using toolkit::FolderResourceProvider;

constexpr unsigned kParseAll = pugi::parse_default | pugi::parse_comments | pugi::parse_declaration;

class PackageXmlTest : public ::testing::Test {
 protected:
  // Parses a resource of the package; fails the test when it is missing, lacks the UTF-8 byte
  // order mark or is not well-formed.
  void Parse(const char* resource, pugi::xml_document& document) {
    const auto bytes = m_provider.Load(resource);
    ASSERT_TRUE(bytes.has_value()) << resource;
    ASSERT_GE(bytes->size(), 3u);
    EXPECT_EQ((*bytes)[0], 0xEF);
    EXPECT_EQ((*bytes)[1], 0xBB);
    EXPECT_EQ((*bytes)[2], 0xBF);
    const pugi::xml_parse_result result =
        document.load_buffer(bytes->data(), bytes->size(), kParseAll, pugi::encoding_auto);
    ASSERT_TRUE(result) << resource << ": " << result.description() << " at " << result.offset;
  }

  FolderResourceProvider m_provider{uires_test::PackageFolder()};
};

std::string Trimmed(const char* text) {
  std::string value(text);
  const size_t first = value.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return value.substr(first, value.find_last_not_of(" \t\r\n") - first + 1);
}

// The attributes of an element in document order, written as name="value" pairs.
std::string Attributes(const pugi::xml_node& node) {
  std::string text;
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    if (!text.empty()) text += ' ';
    text += std::string(attribute.name()) + "=\"" + attribute.value() + "\"";
  }
  return text;
}

struct Widget {
  int depth;
  std::string element;
  std::string attributes;
  std::string text;
};

// Every element under `parent`, depth first, in document order.
void CollectWidgets(const pugi::xml_node& parent, int depth, std::vector<Widget>& out) {
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() != pugi::node_element) continue;
    out.push_back(Widget{depth, child.name(), Attributes(child), Trimmed(child.child_value())});
    CollectWidgets(child, depth + 1, out);
  }
}

#define F12 "face:微软雅黑,bold:0,size:12"
#define F14 "face:微软雅黑,bold:0,size:14"
#define F18 "face:微软雅黑,bold:0,size:18"
#define F20 "face:微软雅黑,bold:0,size:20"

TEST_F(PackageXmlTest, LayoutHostAndRoot) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("LAYOUT:XML_MAINWND", document));
  const pugi::xml_node host = document.document_element();
  EXPECT_STREQ(host.name(), "host");
  EXPECT_EQ(Attributes(host),
            R"(name="mainWindow" title="@string/title" bigIcon="ICON_LOGO:32" )"
            R"(smallIcon="ICON_LOGO:16" width="840" height="580" margin="5,5,5,5" resizable="1" )"
            R"(wndType="appMain" appWnd="1" translucent="1")");
  const pugi::xml_node root = host.first_child();
  EXPECT_STREQ(root.name(), "root");
  EXPECT_EQ(Attributes(root), R"(colorBkgnd="#000000" cache="0")");
  EXPECT_EQ(root.next_sibling(), pugi::xml_node()) << "the host holds only the root";
}

TEST_F(PackageXmlTest, LayoutWidgetTreeInDocumentOrder) {
  const Widget expected[] = {
      {0, "window", R"(name="window_0" pos="1,1,-1,-1" visible="1")", ""},
      {1, "caption", R"(pos="0,0,-0,-240" show="1" font="adding:0")", ""},
      {2, "img", R"(name="img_0" pos="0,0,-0,-0" skin="skin_img_1" visible="1")", ""},
      {2, "img", R"(pos="|0,|0" offset="-0.5,-0.5" skin="skin_sslogo" visible="1")", ""},
      {2, "imgbtn", R"(name="btn_close" pos="-45,20" skin="skin_close" tip="关闭" animate="1")",
       ""},
      {2, "imgbtn", R"(name="btn_min" pos="-80,20" skin="skin_min" animate="1")", ""},
      {1, "window", R"(pos="1,[0,-1,-1" visible="1" colorBkgnd="#ffffff")", ""},
      {2, "text", R"(pos="40,[30" colorText="#000000" font=")" F14 R"(")", "选择路径"},
      {2, "window",
       R"(pos="40,[10,@600,@30" colorBorder="#6C8BA9" valign="middle" margin-x="1" margin-y="1")",
       ""},
      {3, "edit",
       R"(name="edit_choose_url" pos="3,0,-3,-0" readonly="1" enable="1" font=")" F14
       R"(" colorText="#000000")",
       ""},
      {2, "imgbtn",
       R"(name="btn_choose_changedir" pos="[10,{0" height="30" skin="skin_custom_button" )"
       R"(animate="1" font=")" F14 R"(" colorText="#666666")",
       "浏览..."},
      {2, "check",
       R"(name="radio_zmkj" pos="40,[10" font=")" F12
       R"(" checked="1" colorText="#666666" drawFocusRect="0" skin="skin_login_checkbox")",
       "创建桌面快捷方式"},
      {2, "check",
       R"(name="radio_auto" pos="[10,{0" font=")" F12
       R"(" checked="0" colorText="#666666" drawFocusRect="0" skin="skin_login_checkbox")",
       "开机自动启动"},
      {2, "check",
       R"(name="radio_xieyi" pos="[10,{0" font=")" F12
       R"(" checked="1" colorText="#666666" drawFocusRect="0" skin="skin_login_checkbox")",
       "阅读并同意Zorvik网络加速器"},
      {2, "link",
       R"(name="link_agreement" pos="[3,{0" cursor="hand" )"
       R"(href="http://www.zorvik.example/aboutUs.html?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE" )"
       R"(font=")" F12 R"(" colorText="#1e78d5" colorTextHover="#1e78d5" )"
       R"(fontHover="face:微软雅黑,bold:0,size:12,underline:1,italic:0")",
       "服务协议"},
      {2, "imgbtn",
       R"(name="btn_ok_install" pos="|0,[40" offset="-0.5,0" skin="skin_buttonlogin" font=")" F18
       R"(" colorText="#ffffff" animate="1")",
       "立即安装"},
      {0, "window", R"(name="window_1" pos="1,1,-1,-1" visible="0")", ""},
      {1, "caption", R"(pos="0,0,-0,-140" show="1" font="adding:0")", "-->"},
      {2, "img", R"(name="img_0" pos="0,0,-0,-0" skin="skin_img_1" visible="1")", ""},
      {2, "img", R"(name="img_1" pos="0,0,-0,-0" skin="skin_img_2" visible="0")", ""},
      {2, "img", R"(name="img_2" pos="0,0,-0,-0" skin="skin_img_3" visible="0")", ""},
      {2, "imgbtn", R"(name="btn_close" pos="-45,20" skin="skin_close" tip="关闭" animate="1")",
       ""},
      {2, "imgbtn", R"(name="btn_min" pos="-80,20" skin="skin_min" animate="1")", ""},
      {2, "window", R"(pos="|0,-20" offset="-0.5,0")", ""},
      {3, "radio",
       R"(name="mygame_radio_0" pos="0,0" id="600" checked="1" drawFocusRect="0" skin="skin_radio选择")",
       ""},
      {3, "radio",
       R"(name="mygame_radio_1" pos="[2,{0" id="601" checked="0" drawFocusRect="0" skin="skin_radio选择")",
       ""},
      {3, "radio",
       R"(name="mygame_radio_2" pos="[2,{0" id="602" checked="0" drawFocusRect="0" skin="skin_radio选择")",
       ""},
      {1, "window", R"(name="window_main" pos="1,[0,-1,-1" colorBkgnd="#FFFFFF" visible="1")", ""},
      {2, "window", R"(pos="|0,|-20" offset="-0.5,-0.5" size="600,50")", ""},
      {3, "text", R"(name="text_pro" pos="0,0" font=")" F20 R"(" colorText="#333333")",
       "正在更新 0%"},
      {3, "progress",
       R"(name="progress" pos="0,[10,-0,-0" height="10" value="10" min="0" max="100" )"
       R"(showPercent="0" bkgndSkin="skin_progress_bkg" posSkin="skin_progress_frg")",
       ""},
      {2, "text",
       R"(name="text_reason" pos="|0,[6" offset="-0.5,0" font=")" F12
       R"(" colorText="#999999" visible="0")",
       ""},
      {2, "imgbtn",
       R"(name="btn_retry" pos="|0,[6" offset="-0.5,0" height="30" skin="skin_custom_button" )"
       R"(animate="1" font=")" F14 R"(" colorText="#666666" visible="0")",
       "重试"},
  };
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("LAYOUT:XML_MAINWND", document));
  std::vector<Widget> widgets;
  CollectWidgets(document.document_element().child("root"), 0, widgets);
  ASSERT_EQ(widgets.size(), std::size(expected));
  for (size_t i = 0; i < widgets.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "widget " << i << " " << expected[i].element);
    EXPECT_EQ(widgets[i].depth, expected[i].depth);
    EXPECT_EQ(widgets[i].element, expected[i].element);
    EXPECT_EQ(widgets[i].attributes, expected[i].attributes);
    EXPECT_EQ(widgets[i].text, expected[i].text);
  }
}

TEST_F(PackageXmlTest, LayoutStrayTextFollowsTheBannerButtons) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("LAYOUT:XML_MAINWND", document));
  const pugi::xml_node caption = document.document_element()
                                     .child("root")
                                     .find_child_by_attribute("window", "name", "window_1")
                                     .child("caption");
  ASSERT_TRUE(caption);
  std::vector<std::string> kinds;
  for (const pugi::xml_node& child : caption.children()) {
    kinds.push_back(child.type() == pugi::node_pcdata ? "text:" + Trimmed(child.value())
                                                      : std::string(child.name()));
  }
  const std::vector<std::string> expected = {"img",    "img",    "img",     "imgbtn",
                                             "imgbtn", "window", "text:-->"};
  EXPECT_EQ(kinds, expected);
}

TEST_F(PackageXmlTest, LayoutEndsWithACommentedOlderCopyOfBothPages) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("LAYOUT:XML_MAINWND", document));
  const pugi::xml_node comment = document.document_element().next_sibling();
  ASSERT_EQ(comment.type(), pugi::node_comment);
  EXPECT_EQ(comment.next_sibling(), pugi::xml_node());
  // The copy is itself a layout: it parses, and holds both pages.
  pugi::xml_document older;
  ASSERT_TRUE(older.load_string(comment.value()));
  const pugi::xml_node root = older.child("host").child("root");
  EXPECT_TRUE(root.find_child_by_attribute("window", "name", "window_0"));
  EXPECT_TRUE(root.find_child_by_attribute("window", "name", "window_1"));
}

TEST_F(PackageXmlTest, UiDefinition) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("uidef:xml_init", document));
  const pugi::xml_node uidef = document.document_element();
  EXPECT_STREQ(uidef.name(), "UIDEF");
  std::vector<std::string> sections;
  for (const pugi::xml_node& child : uidef.children()) {
    sections.push_back(std::string(child.name()) + " " + Attributes(child));
  }
  const std::vector<std::string> expected = {
      R"(font face="宋体" size="15")",
      R"(string src="values:string")",
      R"(skin src="values:skin")",
      R"(color src="values:color")",
      "style ",
      "objattr ",
  };
  EXPECT_EQ(sections, expected);

  std::vector<std::string> styles;
  for (const pugi::xml_node& style : uidef.child("style").children()) {
    styles.push_back(std::string(style.name()) + " " + Attributes(style));
  }
  const std::vector<std::string> expectedStyles = {
      R"(class name="normalbtn" font="" colorText="#385e8b" colorTextDisable="#91a7c0" )"
      R"(textMode="0x25" cursor="hand" margin-x="0")",
      R"(class name="cls_btn_weblink" cursor="hand" colorText="#1e78d5" colorTextHover="#1e78d5" )"
      R"(font="italic:1" fontHover="underline:1,italic:1")",
  };
  EXPECT_EQ(styles, expectedStyles);
  EXPECT_FALSE(uidef.child("objattr").first_child()) << "objattr is empty";
}

// name=value pairs of a value table, in document order.
std::vector<std::string> TableEntries(const pugi::xml_node& table) {
  std::vector<std::string> entries;
  for (const pugi::xml_node& entry : table.children()) {
    entries.push_back(std::string(entry.name()) + " " + Attributes(entry));
  }
  return entries;
}

TEST_F(PackageXmlTest, StringTable) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("values:string", document));
  EXPECT_STREQ(document.document_element().name(), "string");
  const std::vector<std::string> expected = {R"(title value="")", R"(ver value="1.0")"};
  EXPECT_EQ(TableEntries(document.document_element()), expected);
}

TEST_F(PackageXmlTest, ColourTable) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("values:color", document));
  EXPECT_STREQ(document.document_element().name(), "color");
  const std::vector<std::string> expected = {
      R"x(red value="rgb(255,0,0)")x",  R"x(green value="rgb(0,255,0)")x",
      R"x(blue value="rgb(0,0,255)")x", R"x(white value="rgb(255,255,255)")x",
      R"x(gray value="#808080")x",
  };
  EXPECT_EQ(TableEntries(document.document_element()), expected);
}

TEST_F(PackageXmlTest, SkinTable) {
  pugi::xml_document document;
  ASSERT_NO_FATAL_FAILURE(Parse("values:skin", document));
  EXPECT_STREQ(document.document_element().name(), "skin");
  const std::vector<std::string> expected = {
      R"(imglist name="skin_traymenu_icons" src="img:traymenu_icons" states="9")",
      R"(imgframe name="skin_progress_bkg" src="img:progress_bkg" states="1" margin="5,1,5,1")",
      R"(imgframe name="skin_progress_frg" src="img:progress_frg" states="1" margin="5,1,5,1")",
      R"(imglist name="skin_sslogo" src="img:sslogo" states="1")",
      R"(imglist name="skin_min" src="img:min" states="3")",
      R"(imglist name="skin_close" src="img:close" states="3")",
      R"(imglist name="skin_img_1" src="img:img_1" states="1")",
      R"(imglist name="skin_img_2" src="img:img_2" states="1")",
      R"(imglist name="skin_img_3" src="img:img_3" states="1")",
      R"(imglist name="skin_radio选择" src="img:radio选择" states="8")",
      R"(imglist name="skin_buttonlogin" src="img:buttonlogin" states="4")",
      R"(imgframe name="skin_main_edit" src="img:main_edit" states="3" margin="2,2,2,2")",
      R"(imglist name="skin_login_checkbox" src="img:login_checkbox" states="8")",
      R"(imglist name="skin_custom_button" src="img:custom_button" states="3")",
  };
  EXPECT_EQ(TableEntries(document.document_element()), expected);
}

TEST_F(PackageXmlTest, EverySkinNamedByTheLayoutExists) {
  pugi::xml_document layout;
  pugi::xml_document skins;
  ASSERT_NO_FATAL_FAILURE(Parse("LAYOUT:XML_MAINWND", layout));
  ASSERT_NO_FATAL_FAILURE(Parse("values:skin", skins));
  int references = 0;
  for (const pugi::xpath_node& found : layout.select_nodes("//@skin | //@bkgndSkin | //@posSkin")) {
    const char* skin = found.attribute().value();
    SCOPED_TRACE(skin);
    EXPECT_TRUE(skins.document_element().find_child_by_attribute("name", skin));
    ++references;
  }
  EXPECT_EQ(references, 20);
}

}  // namespace
