#include "toolkit/core/dimension.h"

#include <cfloat>
#include <cmath>

#include "toolkit/core/text_util.h"

namespace toolkit {
namespace {

int ClampToPixels(double value) {
  if (!(value > -kMaxPixels)) return -kMaxPixels;  // also catches NaN
  if (value > kMaxPixels) return kMaxPixels;
  return static_cast<int>(value);
}

}  // namespace

bool Dimension::Is(float amount) const {
  return std::fabs(static_cast<double>(m_amount) - static_cast<double>(amount)) < 1e-8;
}

int Dimension::ToPixels(int scale) const {
  if (IsMatchParent()) return -2;
  if (IsWrapContent()) return -1;
  if (m_unit == DimensionUnit::kPx) return ClampToPixels(std::trunc(m_amount));
  return ClampToPixels(std::floor(static_cast<double>(scale) * m_amount / 100.0 + 0.5));
}

void Dimension::Parse(std::string_view text) {
  if (text.empty()) return;
  DimensionUnit unit = DimensionUnit::kPx;
  if (EndsWithIgnoreCase(text, "dip")) {
    unit = DimensionUnit::kDip;
  } else if (EndsWithIgnoreCase(text, "dp")) {
    unit = DimensionUnit::kDp;
  } else if (EndsWithIgnoreCase(text, "sp")) {
    unit = DimensionUnit::kSp;
  }
  double amount = ReadNumberPrefix(text).value_or(0.0);
  if (amount > FLT_MAX) amount = FLT_MAX;
  if (amount < -FLT_MAX) amount = -FLT_MAX;
  m_amount = static_cast<float>(amount);
  m_unit = unit;
}

Dimension ParseDimension(std::string_view text) {
  Dimension dimension;
  dimension.Parse(text);
  return dimension;
}

}  // namespace toolkit
