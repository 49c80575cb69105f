// The percent the window is told: exact for byte counts, so every build shows the same.
#include "workflow/download_progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace update {
namespace {

TEST(DownloadProgressTest, PercentIsTheExactQuotientTruncated) {
  constexpr std::int32_t kOutOfRange = INT32_MIN;
  const struct {
    double total, now;
    std::optional<ProgressReport> expected;
  } cases[] = {
      // Where a double's now / total * 100 falls just short of the whole number.
      {100, 29, ProgressReport{29, 100}},
      {100, 57, ProgressReport{57, 100}},
      {100, 58, ProgressReport{58, 100}},
      {3000, 870, ProgressReport{29, 3000}},
      {5000000, 1450000, ProgressReport{29, 5000000}},
      {3, 1, ProgressReport{33, 3}},
      {3, 2, ProgressReport{66, 3}},
      {1000, 999, ProgressReport{99, 1000}},
      {1000, 1000, ProgressReport{100, 1000}},
      {1000, 1500, ProgressReport{150, 1000}},  // more bytes than announced
      {1000, 0, ProgressReport{0, 1000}},
      {-400, 100, ProgressReport{-25, -400}},
      {0, 10, std::nullopt},
      {0.05, 10, std::nullopt},
      {-0.05, 10, std::nullopt},
      {2147483648.0, 1073741824.0, ProgressReport{50, kOutOfRange}},  // a 2 GiB package
      {1, 21474837, ProgressReport{kOutOfRange, 1}},                  // a percent past int32
      {2.5, 1.25, ProgressReport{50, 2}},                             // not whole: as doubles
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.now << " of " << c.total);
    const std::optional<ProgressReport> report = ProgressOf(c.total, c.now);
    ASSERT_EQ(report.has_value(), c.expected.has_value());
    if (report) {
      EXPECT_EQ(report->percent, c.expected->percent);
      EXPECT_EQ(report->total, c.expected->total);
    }
  }
}

}  // namespace
}  // namespace update
