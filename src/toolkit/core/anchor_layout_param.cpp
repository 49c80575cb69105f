#include "toolkit/core/anchor_layout_param.h"

#include <cfloat>
#include <vector>

#include "toolkit/core/text_util.h"

namespace toolkit {
namespace {

std::vector<std::string_view> SplitTrimmed(std::string_view value) {
  std::vector<std::string_view> pieces = SplitText(value, ',', /*drop_empty=*/true);
  for (std::string_view& piece : pieces) piece = TrimAscii(piece);
  return pieces;
}

bool IsZero(const Dimension& amount) {
  return amount.Is(0.0f);
}

// "0,...,-0,..." on one axis: from the near edge to the far edge, both with amount 0.
bool SpansParent(const PosItem& near_item, const PosItem& far_item) {
  return near_item.kind == PosKind::kFromEdge && near_item.sign > 0 && IsZero(near_item.amount) &&
         far_item.kind == PosKind::kFromEdge && far_item.sign < 0 && IsZero(far_item.amount);
}

Dimension SizeFromPos(const PosItem& near_item, const PosItem& far_item) {
  if (SpansParent(near_item, far_item)) return Dimension::MatchParent();
  if (far_item.kind != PosKind::kExtent) return Dimension::Unspecified();
  if (far_item.sign < 0) return Dimension::WrapContent();
  return far_item.amount;
}

float ClampToFloat(double value) {
  if (value > FLT_MAX) return FLT_MAX;
  if (value < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(value);
}

}  // namespace

void ParseLayoutSize(std::string_view text, Dimension* size) {
  if (EqualsIgnoreCase(text, "matchParent") || EqualsIgnoreCase(text, "full")) {
    *size = Dimension::MatchParent();
  } else if (EqualsIgnoreCase(text, "wrapContent")) {
    *size = Dimension::WrapContent();
  } else {
    size->Parse(text);
  }
}

void AnchorLayoutParam::Clear() {
  m_count = 0;
  m_left = m_top = m_right = m_bottom = PosItem();
  m_offsetX = m_offsetY = 0.0f;
  m_width = m_height = Dimension::WrapContent();
}

AttributeResult AnchorLayoutParam::SetAttribute(std::string_view name, std::string_view value) {
  if (EqualsIgnoreCase(name, "pos")) return SetPos(value);
  if (EqualsIgnoreCase(name, "size")) return SetSize(value);
  if (EqualsIgnoreCase(name, "offset")) return SetOffset(value);
  if (EqualsIgnoreCase(name, "width")) {
    ParseLayoutSize(value, &m_width);
    return AttributeResult::kHandled;
  }
  if (EqualsIgnoreCase(name, "height")) {
    ParseLayoutSize(value, &m_height);
    return AttributeResult::kHandled;
  }
  return AttributeResult::kNotHandled;
}

AttributeResult AnchorLayoutParam::SetPos(std::string_view value) {
  const std::vector<std::string_view> pieces = SplitTrimmed(value);
  if (pieces.size() != 2 && pieces.size() != 4) return AttributeResult::kInvalidArgument;

  const std::optional<PosItem> left = ParsePosItem(pieces[0]);
  const std::optional<PosItem> top = ParsePosItem(pieces[1]);
  if (left && top && left->kind != PosKind::kExtent && top->kind != PosKind::kExtent) {
    m_left = *left;
    m_top = *top;
    m_count = 2;
  }

  bool far_pair_stored = false;
  if (pieces.size() == 4) {
    const std::optional<PosItem> right = ParsePosItem(pieces[2]);
    const std::optional<PosItem> bottom = ParsePosItem(pieces[3]);
    if (right && bottom) {
      m_right = *right;
      m_bottom = *bottom;
      m_count = 4;
      far_pair_stored = true;
    }
  }

  if (far_pair_stored) {
    m_width = SizeFromPos(m_left, m_right);
    m_height = SizeFromPos(m_top, m_bottom);
  } else {
    if (m_width.IsUnspecified()) m_width = Dimension::WrapContent();
    if (m_height.IsUnspecified()) m_height = Dimension::WrapContent();
  }
  return AttributeResult::kHandled;
}

AttributeResult AnchorLayoutParam::SetSize(std::string_view value) {
  const std::vector<std::string_view> pieces = SplitTrimmed(value);
  if (pieces.size() != 2) return AttributeResult::kFailed;
  ParseLayoutSize(pieces[0], &m_width);
  ParseLayoutSize(pieces[1], &m_height);
  return AttributeResult::kHandled;
}

// Read like "%f,%f": a number, a comma right after it, a second number.
AttributeResult AnchorLayoutParam::SetOffset(std::string_view value) {
  size_t consumed = 0;
  const std::optional<double> x = ReadNumberPrefix(value, &consumed);
  if (!x || consumed >= value.size() || value[consumed] != ',') return AttributeResult::kFailed;
  const std::optional<double> y = ReadNumberPrefix(value.substr(consumed + 1));
  if (!y) return AttributeResult::kFailed;
  m_offsetX = ClampToFloat(*x);
  m_offsetY = ClampToFloat(*y);
  return AttributeResult::kHandled;
}

bool AnchorLayoutParam::IsMatchParent(Axis axis) const {
  return SizeOn(axis).IsMatchParent();
}

bool AnchorLayoutParam::IsWrapContent(Axis axis) const {
  const Dimension& size = SizeOn(axis);
  return size.IsWrapContent() || (m_count == 0 && size.IsUnspecified());
}

bool AnchorLayoutParam::IsSpecifiedSize(Axis axis) const {
  return SizeOn(axis).IsSpecified();
}

Dimension AnchorLayoutParam::GetSpecifiedSize(Axis axis) const {
  return SizeOn(axis);
}

}  // namespace toolkit
