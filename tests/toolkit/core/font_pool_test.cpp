#include "toolkit/core/font_pool.h"

#include <gtest/gtest.h>

#include <vector>

namespace toolkit {
namespace {

class RecordingFont : public IFont {
 public:
  explicit RecordingFont(FontRequest request) : m_request(std::move(request)) {}
  const FontRequest& GetRequest() const override { return m_request; }

 private:
  FontRequest m_request;
};

class RecordingFactory : public IFontFactory {
 public:
  std::shared_ptr<IFont> MakeFont(const FontRequest& request) override {
    made.push_back(request);
    if (failing) return nullptr;
    return std::make_shared<RecordingFont>(request);
  }

  std::vector<FontRequest> made;
  bool failing = false;
};

DefaultFont PackageDefault() {
  DefaultFont font;
  font.face = "宋体";
  font.style.SetHeight(15);
  return font;
}

TEST(FontPoolTest, EqualRequestsShareOnePooledFont) {
  auto factory = std::make_shared<RecordingFactory>();
  FontPool pool(factory, PackageDefault());
  const auto size14 = pool.GetFont("face:微软雅黑,bold:0,size:14", 100);
  ASSERT_NE(size14, nullptr);
  // The same request written differently: other order, case, a repeated key, explicit defaults.
  EXPECT_EQ(pool.GetFont("size:14,FACE:微软雅黑", 100), size14);
  EXPECT_EQ(pool.GetFont("face:微软雅黑,size:14,size:99", 100), size14);
  // "adding:0" is the default font; so is naming the default face.
  const auto standard = pool.GetFont("adding:0", 100);
  EXPECT_EQ(pool.GetFont("", 100), standard);
  EXPECT_EQ(pool.GetFont("face:宋体", 100), standard);
  EXPECT_EQ(pool.GetFont("size:15", 100), standard);
  EXPECT_EQ(factory->made.size(), 2u);

  // Any difference is another font.
  EXPECT_NE(pool.GetFont("face:微软雅黑,size:12", 100), size14);
  EXPECT_NE(pool.GetFont("face:微软雅黑,size:14,underline:1", 100), size14);
  EXPECT_NE(pool.GetFont("face:微软雅黑,size:14,name:x", 100), size14);
  EXPECT_NE(pool.GetFont("face:微软雅黑,size:14,glow:1", 100), size14);
  EXPECT_NE(pool.GetFont("adding:0", 150), standard);
  EXPECT_EQ(pool.PooledCount(), 7u);
  EXPECT_EQ(standard->GetRequest().face, "宋体");
  EXPECT_EQ(standard->GetRequest().style.Height(), 15);
}

TEST(FontPoolTest, FailedFontIsNotRememberedAndIsTriedAgain) {
  auto factory = std::make_shared<RecordingFactory>();
  FontPool pool(factory, PackageDefault());
  factory->failing = true;
  EXPECT_EQ(pool.GetFont("size:20", 100), nullptr);
  EXPECT_EQ(pool.PooledCount(), 0u);
  factory->failing = false;
  EXPECT_NE(pool.GetFont("size:20", 100), nullptr);
  EXPECT_EQ(factory->made.size(), 2u);
}

TEST(FontPoolTest, NewDefaultFontAppliesToLaterDescriptions) {
  auto factory = std::make_shared<RecordingFactory>();
  FontPool pool(factory, PackageDefault());
  const auto before = pool.GetFont("", 100);
  DefaultFont bigger = PackageDefault();
  bigger.face = "SimSun";
  bigger.style.SetHeight(20);
  pool.SetDefaultFont(bigger);
  const auto after = pool.GetFont("", 100);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_EQ(after->GetRequest().face, "SimSun");
  EXPECT_EQ(after->GetRequest().style.Height(), 20);
  EXPECT_EQ(before->GetRequest().style.Height(), 15);  // fonts already made stay as they were
}

TEST(FontPoolTest, PoolWithoutFactoryGivesNoFont) {
  FontPool pool(nullptr, PackageDefault());
  EXPECT_EQ(pool.GetFont("size:12", 100), nullptr);
}

}  // namespace
}  // namespace toolkit
