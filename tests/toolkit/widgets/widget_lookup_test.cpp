// Lookups by name: level by level, exact names, depth limits, and the class-checked lookup's
// diagnostic line.
#include <gtest/gtest.h>

#include "widget_test_support.h"

namespace widgets_test {
namespace {

using toolkit::Widget;

// root -> a (-> deep "x"), b named "x" (-> "y"): the direct child "x" wins over a's subtree.
class WidgetLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Widget* a = root.AddChild(std::make_unique<Widget>(&context));
    a->SetName("a");
    Widget* deep = a->AddChild(std::make_unique<toolkit::ImageButton>(&context));
    deep->SetName("x");
    Widget* b = root.AddChild(std::make_unique<toolkit::Label>(&context));
    b->SetName("x");
    Widget* y = b->AddChild(std::make_unique<Widget>(&context));
    y->SetName("y");
    Widget* z = y->AddChild(std::make_unique<Widget>(&context));
    z->SetName("z");
  }

  RecordingHost host;
  toolkit::WidgetContext context{nullptr, nullptr, nullptr, &host};
  Widget root{&context};
};

TEST_F(WidgetLookupTest, ComparesEachLevelBeforeDescending) {
  Widget* found = root.FindChildByName("x");
  ASSERT_NE(found, nullptr);
  EXPECT_STREQ(found->ClassName(), "text");
}

TEST_F(WidgetLookupTest, DepthLimitsTheSearch) {
  const struct {
    const char* name;
    int depth;
    bool found;
  } rows[] = {
      {"a", 1, true},  {"y", 1, false}, {"y", 2, true},  {"z", 2, false},
      {"z", 3, true},  {"z", -1, true}, {"a", 0, false}, {"X", -1, false},  // case-sensitive
      {"", -1, false},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(root.FindChildByName(rows[i].name, rows[i].depth) != nullptr, rows[i].found);
  }
}

TEST_F(WidgetLookupTest, ClassCheckAcceptsDerivedClasses) {
  EXPECT_NE(root.FindChildByClass<toolkit::Label>("x"), nullptr);
  EXPECT_NE(root.FindChildByClass<Widget>("x"), nullptr);  // every widget is a "window"
  EXPECT_TRUE(host.logs.empty());
}

TEST_F(WidgetLookupTest, ClassMismatchWritesTheDiagnosticLine) {
  EXPECT_EQ(root.FindChildByClass<toolkit::ImageButton>("x"), nullptr);
  EXPECT_EQ(root.FindChildByClass("nothing", "progress", 3), nullptr);
  ASSERT_EQ(host.logs.size(), 2u);
  EXPECT_EQ(host.logs[0],
            "toolkit|toolkit::Widget::FindChildByClass|FindChildByClass failed, no widget of "
            "class [imgbtn] with name of [x] was found within [-1] levels");
  EXPECT_EQ(host.logs[1],
            "toolkit|toolkit::Widget::FindChildByClass|FindChildByClass failed, no widget of "
            "class [progress] with name of [nothing] was found within [3] levels");
}

TEST(FindChildByClassMessageTest, LongNamesAreCutAtACharacterBoundary) {
  std::string name;
  for (int i = 0; i < 1000; ++i) name += "选";  // 3 bytes each
  const std::string line = toolkit::FindChildByClassMessage("img", name, -1);
  EXPECT_LE(line.size(), 2047u);
  EXPECT_EQ(line.rfind("FindChildByClass failed, no widget of class [img] with name of [", 0), 0u);
  // The line ends on a whole character.
  const size_t after_prefix = line.size() - std::string(
                                                "FindChildByClass failed, no widget of "
                                                "class [img] with name of [")
                                                .size();
  EXPECT_EQ(after_prefix % 3, 0u);
}

}  // namespace
}  // namespace widgets_test
