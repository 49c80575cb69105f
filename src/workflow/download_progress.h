// The download's progress as the window is told it: percent and total truncated to signed 32-bit
// numbers, only while the total is known. Portable.
#pragma once

#include <cstdint>
#include <optional>

namespace update {

struct ProgressReport {
  std::int32_t percent;
  std::int32_t total;
  friend bool operator==(const ProgressReport& a, const ProgressReport& b) {
    return a.percent == b.percent && a.total == b.total;
  }
};

// Null while the total lies strictly between -0.1 and 0.1 (no size known yet). The percent is
// now / total * 100 truncated toward zero, exact for whole byte counts, the same in every build.
// A value outside the signed 32-bit range (a package of 2 GiB or more) becomes -2147483648.
std::optional<ProgressReport> ProgressOf(double total, double now);

// Truncated toward zero; -2147483648 outside the signed 32-bit range (NaN included).
std::int32_t TruncateToInt32(double value);

}  // namespace update
