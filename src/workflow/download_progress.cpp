#include "workflow/download_progress.h"

#include <cmath>
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
  // Byte counts are whole numbers: their percentage is taken exactly, in integers. In doubles,
  // 29 / 100 * 100 is 28.999..., and the 32-bit build, whose x87 arithmetic keeps more digits
  // than it stores, came to 29 where the 64-bit build came to 28.
  constexpr double kExactLimit = 9007199254740992.0 / 128;  // now * 100 stays exact in int64
  if (now == std::trunc(now) && total == std::trunc(total) && std::fabs(now) < kExactLimit &&
      std::fabs(total) < kExactLimit) {
    const std::int64_t percent =
        static_cast<std::int64_t>(now) * 100 / static_cast<std::int64_t>(total);
    return ProgressReport{TruncateToInt32(static_cast<double>(percent)), TruncateToInt32(total)};
  }
  return ProgressReport{TruncateToInt32(now / total * 100.0), TruncateToInt32(total)};
}

}  // namespace update
