// The margin and padding of a widget, as its style attributes give them: `margin`, `padding`
// (alias `inset`), `margin-x` and `margin-y`. The widget's client rectangle is its rectangle
// shrunk by the margin; its layout rectangle, where its children are placed, is the client
// rectangle shrunk by the padding. Amounts are dimensions, turned into pixels with the widget's
// scale when asked, so a change of scale needs no re-parse.
#pragma once

#include <string_view>

#include "toolkit/core/attribute_result.h"
#include "toolkit/core/dimension.h"
#include "toolkit/core/geometry.h"

namespace toolkit {

class BoxModel {
 public:
  // `margin`, `padding` and `inset` take 1 value (all sides), 2 (left and right, then top and
  // bottom) or 4 (left, top, right, bottom) separated by ","; any other count changes nothing
  // and gives kInvalidArgument. `margin-x` sets left and right, `margin-y` top and bottom.
  // Names are compared without regard to case; other names give kNotHandled.
  AttributeResult SetAttribute(std::string_view name, std::string_view value);

  Insets Margin(int scale) const;
  Insets Padding(int scale) const;

  Rect ClientRect(const Rect& rect, int scale) const { return rect.Deflated(Margin(scale)); }
  Rect LayoutRect(const Rect& rect, int scale) const {
    return ClientRect(rect, scale).Deflated(Padding(scale));
  }

 private:
  struct Sides {
    Dimension left;
    Dimension top;
    Dimension right;
    Dimension bottom;

    Insets ToPixels(int scale) const;
  };

  static AttributeResult SetSides(std::string_view value, Sides* sides);

  Sides m_margin;
  Sides m_padding;
};

}  // namespace toolkit
