// The layout attributes of a child of an AnchorLayout container: `pos` (2 or 4 position items),
// `size`, `width`, `height` and `offset`, parsed into anchor items, two sizes and two offsets.
#pragma once

#include <string_view>

#include "toolkit/core/layout.h"
#include "toolkit/core/pos_item.h"

namespace toolkit {

class AnchorLayoutParam : public ILayoutParam {
 public:
  static constexpr const char* kClassName = "AnchorLayoutParam";

  AnchorLayoutParam() { Clear(); }

  const char* ClassName() const override { return kClassName; }

  // Count 0, both offsets 0, width and height wrap content.
  void Clear() override;

  // `pos`: other than 2 or 4 items is kInvalidArgument and changes nothing; an item that does
  // not parse drops its pair silently (kHandled). `size` without exactly two items and `offset`
  // without two numbers ("%f,%f") are kFailed and change nothing. `width`/`height` take
  // "matchParent" or "full", "wrapContent" (any case) or a dimension; an empty value changes
  // nothing.
  AttributeResult SetAttribute(std::string_view name, std::string_view value) override;

  bool IsMatchParent(Axis axis) const override;
  // Also true for an unspecified size when no `pos` was given.
  bool IsWrapContent(Axis axis) const override;
  bool IsSpecifiedSize(Axis axis) const override;
  Dimension GetSpecifiedSize(Axis axis) const override;

  // Number of `pos` items stored: 0, 2 or 4.
  int Count() const { return m_count; }
  const PosItem& Left() const { return m_left; }
  const PosItem& Top() const { return m_top; }
  const PosItem& Right() const { return m_right; }
  const PosItem& Bottom() const { return m_bottom; }
  // The near (left/top) and far (right/bottom) item of an axis.
  const PosItem& Near(Axis axis) const { return axis == Axis::kHorizontal ? m_left : m_top; }
  const PosItem& Far(Axis axis) const { return axis == Axis::kHorizontal ? m_right : m_bottom; }
  // Fractions of the widget's own width and height by which it is moved once its size is known.
  float OffsetX() const { return m_offsetX; }
  float OffsetY() const { return m_offsetY; }
  float Offset(Axis axis) const { return axis == Axis::kHorizontal ? m_offsetX : m_offsetY; }
  const Dimension& Width() const { return m_width; }
  const Dimension& Height() const { return m_height; }
  const Dimension& SizeOn(Axis axis) const {
    return axis == Axis::kHorizontal ? m_width : m_height;
  }

 private:
  AttributeResult SetPos(std::string_view value);
  AttributeResult SetSize(std::string_view value);
  AttributeResult SetOffset(std::string_view value);

  int m_count = 0;
  PosItem m_left;
  PosItem m_top;
  PosItem m_right;
  PosItem m_bottom;
  float m_offsetX = 0.0f;
  float m_offsetY = 0.0f;
  Dimension m_width;
  Dimension m_height;
};

// Reads a `width` or `height` value: "matchParent"/"full", "wrapContent" or a dimension. An empty
// text leaves `size` unchanged.
void ParseLayoutSize(std::string_view text, Dimension* size);

}  // namespace toolkit
