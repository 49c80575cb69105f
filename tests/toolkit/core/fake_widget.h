// A minimal widget for layout tests: it takes layout and box attributes like a real widget,
// reports a fixed content size, records what the layout asked and gave, and lays out its own
// children (AnchorLayout) when it receives a rectangle, as the widget tree does.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/core/anchor_layout.h"
#include "toolkit/core/box_model.h"

namespace toolkit {

// Readable failure messages for the geometry types.
inline std::ostream& operator<<(std::ostream& out, const Rect& rect) {
  return out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
             << ")";
}
inline std::ostream& operator<<(std::ostream& out, const Size& size) {
  return out << size.width << " x " << size.height;
}

namespace testing_support {

constexpr Rect kNoRect{-7777, -7777, -7777, -7777};

class FakeWidget : public ILayoutChild, public ILayoutContainer {
 public:
  using Attributes = std::vector<std::pair<std::string, std::string>>;

  explicit FakeWidget(const Attributes& attributes = {}, Size content = {}) : m_content(content) {
    for (const auto& [name, value] : attributes) {
      if (name == "id") {
        m_id = std::stoi(value);
      } else if (name == "visible") {
        m_visible = value != "0";
      } else if (name == "float") {
        m_float = value != "0";
      } else if (name == "scale") {
        m_scale = std::stoi(value);
      } else if (name == "display") {
        m_display = value != "0";
      } else if (m_param.SetAttribute(name, value) == AttributeResult::kNotHandled) {
        m_box.SetAttribute(name, value);
      }
    }
  }

  FakeWidget* Add(std::unique_ptr<FakeWidget> child) {
    m_children.push_back(std::move(child));
    return m_children.back().get();
  }
  FakeWidget* Add(const Attributes& attributes, Size content = {}) {
    return Add(std::make_unique<FakeWidget>(attributes, content));
  }

  // As a host does for its root widget.
  void SetRootRect(const Rect& rect) { ApplyLayoutRect(rect); }

  const Rect& GetRect() const { return m_rect; }
  int AppliedCount() const { return m_applied; }
  const std::vector<Size>& Offers() const { return m_offers; }
  void SetScale(int scale) { m_scale = scale; }
  void SetVisible(bool visible) { m_visible = visible; }

  // ILayoutChild
  const ILayoutParam* GetLayoutParam() const override { return &m_param; }
  int GetId() const override { return m_id; }
  bool IsVisible() const override { return m_visible; }
  bool IsFloat() const override { return m_float; }
  bool IsDisplay() const override { return m_display; }
  int GetScale() const override { return m_scale; }

  Size GetDesiredSize(int width, int height) override {
    m_offers.push_back({width, height});
    const bool wrap_width = m_param.IsWrapContent(Axis::kHorizontal);
    const bool wrap_height = m_param.IsWrapContent(Axis::kVertical);
    Size content = m_content;
    if (!m_children.empty()) {
      content = m_layout.MeasureChildren(*this, wrap_width ? -1 : width, wrap_height ? -1 : height);
    }
    const Insets margin = m_box.Margin(m_scale);
    const Insets padding = m_box.Padding(m_scale);
    return {SizeOn(Axis::kHorizontal, width,
                   content.width + margin.left + margin.right + padding.left + padding.right),
            SizeOn(Axis::kVertical, height,
                   content.height + margin.top + margin.bottom + padding.top + padding.bottom)};
  }

  void ApplyLayoutRect(const Rect& rect) override {
    ++m_applied;
    m_rect = rect.Normalized();
    if (!m_children.empty()) m_layout.LayoutChildren(*this);
  }

  // ILayoutContainer
  Rect GetLayoutRect() const override { return m_box.LayoutRect(m_rect, m_scale); }
  size_t GetLayoutChildCount() const override { return m_children.size(); }
  ILayoutChild* GetLayoutChild(size_t index) const override { return m_children[index].get(); }

 private:
  int SizeOn(Axis axis, int offered, int content) const {
    if (m_param.IsSpecifiedSize(axis)) return m_param.GetSpecifiedSize(axis).ToPixels(m_scale);
    if (m_param.IsMatchParent(axis) && offered >= 0) return offered;
    return content;
  }

  AnchorLayout m_layout;
  AnchorLayoutParam m_param;
  BoxModel m_box;
  Size m_content;
  int m_id = -1;
  bool m_visible = true;
  bool m_float = false;
  bool m_display = false;
  int m_scale = kDefaultScale;
  Rect m_rect = kNoRect;
  int m_applied = 0;
  std::vector<Size> m_offers;
  std::vector<std::unique_ptr<FakeWidget>> m_children;
};

}  // namespace testing_support
}  // namespace toolkit
