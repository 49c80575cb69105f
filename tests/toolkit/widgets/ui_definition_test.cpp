// Loading the UI definition: the shipped one, and faults of the resources it names.
#include <gtest/gtest.h>

#include "widget_test_support.h"

namespace widgets_test {
namespace {

using toolkit::UiDefinitionError;

TEST(UiDefinitionTest, ShippedDefinition) {
  ShippedWindow window;
  ASSERT_EQ(window.definitionResult.error, UiDefinitionError::kNone)
      << window.definitionResult.detail;
  const toolkit::UiDefinition& definition = window.definition;
  EXPECT_EQ(definition.defaultFont.face, "宋体");
  EXPECT_EQ(definition.defaultFont.style.Height(), 15);
  EXPECT_EQ(definition.strings.Find("title"), std::string());
  EXPECT_EQ(definition.strings.Find("ver"), std::string("1.0"));
  EXPECT_EQ(definition.colours.Find("gray"), toolkit::MakeColour(0x80, 0x80, 0x80));
  EXPECT_EQ(definition.colours.Find("blue"), toolkit::MakeColour(0, 0, 255));
  EXPECT_EQ(definition.skins.Count(), 14u);

  const struct {
    const char* name;
    toolkit::SkinKind kind;
    int states;
    toolkit::Size frame;
    toolkit::Insets margins;
  } rows[] = {
      {"skin_progress_bkg", toolkit::SkinKind::kImageFrame, 1, {12, 8}, {5, 1, 5, 1}},
      {"skin_progress_frg", toolkit::SkinKind::kImageFrame, 1, {12, 8}, {5, 1, 5, 1}},
      {"skin_sslogo", toolkit::SkinKind::kImageList, 1, {417, 109}, {}},
      {"skin_min", toolkit::SkinKind::kImageList, 3, {18, 18}, {}},
      {"skin_close", toolkit::SkinKind::kImageList, 3, {18, 18}, {}},
      {"skin_img_1", toolkit::SkinKind::kImageList, 1, {840, 440}, {}},
      {"skin_img_2", toolkit::SkinKind::kImageList, 1, {840, 440}, {}},
      {"skin_img_3", toolkit::SkinKind::kImageList, 1, {840, 440}, {}},
      {"skin_radio选择", toolkit::SkinKind::kImageList, 8, {24, 8}, {}},
      {"skin_buttonlogin", toolkit::SkinKind::kImageList, 4, {200, 40}, {}},
      {"skin_main_edit", toolkit::SkinKind::kImageFrame, 3, {110, 20}, {2, 2, 2, 2}},
      {"skin_login_checkbox", toolkit::SkinKind::kImageList, 8, {14, 14}, {}},
      {"skin_custom_button", toolkit::SkinKind::kImageList, 3, {110, 32}, {}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const toolkit::Skin* skin = definition.skins.Find(rows[i].name);
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->Kind(), rows[i].kind);
    EXPECT_EQ(skin->States(), rows[i].states);
    EXPECT_TRUE(skin->HasImage());
    EXPECT_EQ(skin->FrameSize(), rows[i].frame);
    EXPECT_EQ(skin->Margins(), rows[i].margins);
  }
  // Its image is not in the package: kept, never drawn.
  const toolkit::Skin* tray = definition.skins.Find("skin_traymenu_icons");
  ASSERT_NE(tray, nullptr);
  EXPECT_FALSE(tray->HasImage());

  const toolkit::AttributeList* button = definition.FindStyle("normalbtn");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(*button, (toolkit::AttributeList{{"font", ""},
                                             {"colorText", "#385e8b"},
                                             {"colorTextDisable", "#91a7c0"},
                                             {"textMode", "0x25"},
                                             {"cursor", "hand"},
                                             {"margin-x", "0"}}));
  EXPECT_NE(definition.FindStyle("cls_btn_weblink"), nullptr);
  EXPECT_EQ(definition.FindStyle("missing"), nullptr);
}

class UiDefinitionFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resources.Add("uidef:init",
                  "\xEF\xBB\xBF<UIDEF><font face=\"x\" size=\"20\"/>"
                  "<string src=\"values:string\"/><skin src=\"values:skin\"/>"
                  "<style><class name=\"c\" colorText=\"#010203\"/></style></UIDEF>");
    resources.Add("values:string", "<string><a value=\"b\"/></string>");
    resources.Add("values:skin",
                  "<skin><imglist name=\"s\" src=\"img:gone\" states=\"3\"/></skin>");
  }

  toolkit::UiDefinitionResult Load() {
    return toolkit::LoadUiDefinition(resources, "uidef:init", images, &definition);
  }

  MemoryResourceProvider resources;
  toolkit::PngImageSource images{resources};
  toolkit::UiDefinition definition;
};

TEST_F(UiDefinitionFaultTest, MissingImageDoesNotStopLoading) {
  const toolkit::UiDefinitionResult result = Load();
  ASSERT_EQ(result.error, UiDefinitionError::kNone) << result.detail;
  EXPECT_EQ(definition.defaultFont.face, "x");
  EXPECT_EQ(definition.defaultFont.style.Height(), 20);
  EXPECT_EQ(definition.strings.Find("a"), std::string("b"));
  ASSERT_NE(definition.skins.Find("s"), nullptr);
  EXPECT_FALSE(definition.skins.Find("s")->HasImage());
  EXPECT_TRUE(definition.colours.Empty());  // no colour table named
}

TEST_F(UiDefinitionFaultTest, FailuresLeaveTheDefinitionAsItWas) {
  definition.strings.Add("kept", "yes");
  const struct {
    const char* resource;
    const char* content;  // null: removed
    UiDefinitionError error;
  } rows[] = {
      {"values:string", "<string><a value=\"b\"></string>", UiDefinitionError::kBadXml},
      {"uidef:init", "<NOTUIDEF/>", UiDefinitionError::kBadXml},
      {"uidef:init", "", UiDefinitionError::kBadXml},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    SetUp();
    resources.Add(rows[i].resource, rows[i].content);
    const toolkit::UiDefinitionResult result = Load();
    EXPECT_EQ(result.error, rows[i].error);
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(definition.strings.Find("kept"), std::string("yes"));
  }
  MemoryResourceProvider empty;
  EXPECT_EQ(toolkit::LoadUiDefinition(empty, "uidef:init", images, &definition).error,
            UiDefinitionError::kMissingResource);
  resources.Add("uidef:init", "<UIDEF><color src=\"values:nothere\"/></UIDEF>");
  const toolkit::UiDefinitionResult missing_table = Load();
  EXPECT_EQ(missing_table.error, UiDefinitionError::kMissingResource);
  EXPECT_EQ(missing_table.detail, "values:nothere");
  EXPECT_EQ(definition.strings.Find("kept"), std::string("yes"));
}

TEST_F(UiDefinitionFaultTest, LayoutFaults) {
  ASSERT_EQ(Load().error, UiDefinitionError::kNone);
  toolkit::FontPool fonts(std::make_shared<toolkit_test::RequestFontFactory>(),
                          definition.defaultFont);
  toolkit::WidgetContext context{&definition, &fonts, nullptr, nullptr};
  const struct {
    const char* xml;
    toolkit::LayoutError error;
  } rows[] = {
      {"<host><root><window/></root>", toolkit::LayoutError::kBadXml},
      {"<host/>", toolkit::LayoutError::kNoRoot},
      {"<root/>", toolkit::LayoutError::kNoRoot},
      {"<host><root><window><button/></window></root></host>", toolkit::LayoutError::kUnknownClass},
      {"<host><root><text class=\"c\" colorText=\"#040506\">@string/a</text></root></host>",
       toolkit::LayoutError::kNone},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const std::string xml = rows[i].xml;
    toolkit::LayoutResult result =
        toolkit::BuildWidgetTree(toolkit::ResourceBytes(xml.begin(), xml.end()), context, nullptr);
    EXPECT_EQ(result.error, rows[i].error) << result.detail;
    EXPECT_EQ(result.tree != nullptr, rows[i].error == toolkit::LayoutError::kNone);
    if (!result.tree) continue;
    const toolkit::Widget* text = result.tree->Root()->ChildAt(0);
    EXPECT_EQ(text->GetText(), "b");
    // The element's own colour, set after its class, wins.
    EXPECT_EQ(text->GetTextColour(), toolkit::MakeColour(4, 5, 6));
  }
}

}  // namespace
}  // namespace widgets_test
