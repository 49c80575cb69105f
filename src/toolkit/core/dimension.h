// A length as written in a resource ("10", "10px", "12dp", "-1") and its pixel value for a
// widget's scale. Three amounts are markers rather than lengths: wrap content, match parent and
// unspecified. Parsing never fails: text without a number reads as amount 0.
#pragma once

#include <cstdint>
#include <string_view>

namespace toolkit {

enum class DimensionUnit : uint8_t { kPx = 0, kDp = 1, kDip = 2, kSp = 3 };

// Pixel values are kept within +-kMaxPixels, so that sums of a few of them stay far away from
// integer overflow and from the layout's marker coordinates.
constexpr int kMaxPixels = 1 << 24;

// The scale of a widget that nothing scales, in percent.
constexpr int kDefaultScale = 100;

class Dimension {
 public:
  static constexpr float kWrapContent = -1.0f;
  static constexpr float kMatchParent = -2.0f;
  static constexpr float kUnspecified = -3.0f;

  constexpr Dimension() = default;
  constexpr Dimension(float amount, DimensionUnit unit) : m_amount(amount), m_unit(unit) {}

  static constexpr Dimension WrapContent() { return {kWrapContent, DimensionUnit::kPx}; }
  static constexpr Dimension MatchParent() { return {kMatchParent, DimensionUnit::kPx}; }
  static constexpr Dimension Unspecified() { return {kUnspecified, DimensionUnit::kPx}; }
  static constexpr Dimension Pixels(float amount) { return {amount, DimensionUnit::kPx}; }

  float Amount() const { return m_amount; }
  DimensionUnit Unit() const { return m_unit; }

  // Amounts are compared with a tolerance of 1e-8.
  bool Is(float amount) const;
  bool IsWrapContent() const { return Is(kWrapContent); }
  bool IsMatchParent() const { return Is(kMatchParent); }
  bool IsUnspecified() const { return Is(kUnspecified); }
  bool IsSpecified() const { return m_amount >= 0; }

  // Match parent gives -2 and wrap content -1. Otherwise px is the amount truncated toward
  // zero; dp, dip and sp are floor(scale * amount / 100 + 0.5). Limited to +-kMaxPixels.
  int ToPixels(int scale) const;

  // Reads "<number><unit>": the unit is the suffix "px", "dp", "dip" or "sp" in any case (none
  // of them: px); the amount is the number at the start of the text (none: 0). An empty text
  // leaves the dimension unchanged.
  void Parse(std::string_view text);

  friend bool operator==(const Dimension& a, const Dimension& b) {
    return a.m_unit == b.m_unit && a.Is(b.m_amount);
  }
  friend bool operator!=(const Dimension& a, const Dimension& b) { return !(a == b); }

 private:
  float m_amount = 0.0f;
  DimensionUnit m_unit = DimensionUnit::kPx;
};

// Dimension::Parse on a default (0 px) dimension.
Dimension ParseDimension(std::string_view text);

}  // namespace toolkit
