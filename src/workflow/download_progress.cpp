#include "workflow/download_progress.h"

#include <limits>

namespace update {

std::int32_t TruncateToInt32(double value) {
  constexpr double kLow = -2147483648.0;
  constexpr double kHigh = 2147483648.0;
  if (!(value > kLow - 1.0 && value < kHigh)) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::optional<ProgressReport> ProgressOf(double total, double now) {
  if (total > -0.1 && total < 0.1) return std::nullopt;
  return ProgressReport{TruncateToInt32(now / total * 100.0), TruncateToInt32(total)};
}

}  // namespace update
