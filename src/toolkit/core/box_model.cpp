#include "toolkit/core/box_model.h"

#include <vector>

#include "toolkit/core/text_util.h"

namespace toolkit {

Insets BoxModel::Sides::ToPixels(int scale) const {
  return {left.ToPixels(scale), top.ToPixels(scale), right.ToPixels(scale), bottom.ToPixels(scale)};
}

AttributeResult BoxModel::SetSides(std::string_view value, Sides* sides) {
  std::vector<std::string_view> pieces = SplitText(value, ',', /*drop_empty=*/true);
  std::vector<Dimension> amounts;
  for (std::string_view piece : pieces) amounts.push_back(ParseDimension(TrimAscii(piece)));
  switch (amounts.size()) {
    case 1:
      *sides = {amounts[0], amounts[0], amounts[0], amounts[0]};
      return AttributeResult::kHandled;
    case 2:
      *sides = {amounts[0], amounts[1], amounts[0], amounts[1]};
      return AttributeResult::kHandled;
    case 4:
      *sides = {amounts[0], amounts[1], amounts[2], amounts[3]};
      return AttributeResult::kHandled;
    default:
      return AttributeResult::kInvalidArgument;
  }
}

AttributeResult BoxModel::SetAttribute(std::string_view name, std::string_view value) {
  if (EqualsIgnoreCase(name, "margin")) return SetSides(value, &m_margin);
  if (EqualsIgnoreCase(name, "padding") || EqualsIgnoreCase(name, "inset")) {
    return SetSides(value, &m_padding);
  }
  const bool margin_x = EqualsIgnoreCase(name, "margin-x");
  if ((margin_x || EqualsIgnoreCase(name, "margin-y")) && TrimAscii(value).empty()) {
    return AttributeResult::kHandled;  // like an empty dimension: nothing changes
  }
  if (margin_x) {
    m_margin.left = m_margin.right = ParseDimension(TrimAscii(value));
    return AttributeResult::kHandled;
  }
  if (EqualsIgnoreCase(name, "margin-y")) {
    m_margin.top = m_margin.bottom = ParseDimension(TrimAscii(value));
    return AttributeResult::kHandled;
  }
  return AttributeResult::kNotHandled;
}

Insets BoxModel::Margin(int scale) const {
  return m_margin.ToPixels(scale);
}

Insets BoxModel::Padding(int scale) const {
  return m_padding.ToPixels(scale);
}

}  // namespace toolkit
