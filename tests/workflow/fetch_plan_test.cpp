// Which items an update fetches, and in which ranges.
#include "workflow/fetch_plan.h"

#include <gtest/gtest.h>

#include <set>

namespace update {
namespace {

using zip::PackageItem;

// Items of 100 bytes each, one after another, in the directory in another order than their bytes.
std::vector<PackageItem> Items(const std::wstring& order) {
  std::vector<PackageItem> items;
  for (const wchar_t name : order) {
    PackageItem item;
    item.name = std::wstring(1, name);
    item.folder = name == L'/';
    item.spanStart = 100 * static_cast<std::uint64_t>(name == L'/' ? 9 : name - L'a');
    item.spanEnd = item.spanStart + 100;
    if (!item.folder) item.digest = zip::ItemDigest{};
    items.push_back(item);
  }
  return items;
}

TEST(FetchPlanTest, FetchesWhatTheInstallLacksInRangesOfNeighbours) {
  const struct {
    const char* what;
    std::wstring changed;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
  } rows[] = {
      {"nothing changed", L"", {}},
      {"one item", L"c", {{200, 299}}},
      {"neighbours in one range, the others apart", L"bcdg", {{100, 399}, {600, 699}}},
      {"a missing folder and an item apart from it", L"e/", {{400, 499}, {900, 999}}},
      {"everything", L"abcdefg/", {{0, 699}, {900, 999}}},
  };
  const std::vector<PackageItem> items = Items(L"gfedcba/");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::set<wchar_t> changed(row.changed.begin(), row.changed.end());
    const std::optional<FetchPlan> plan = PlanFetch(
        items, [&changed](const PackageItem& item) { return changed.count(item.name[0]) == 0; });
    ASSERT_TRUE(plan);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    for (const ByteSpan& span : plan->ranges) ranges.emplace_back(span.first, span.last);
    EXPECT_EQ(ranges, row.ranges);
    EXPECT_EQ(plan->bytes, 100 * changed.size());
    ASSERT_EQ(plan->items.size(), changed.size());
    for (size_t i = 1; i < plan->items.size(); ++i) {
      EXPECT_LT(plan->items[i - 1]->spanStart, plan->items[i]->spanStart) << "in the bytes' order";
    }
  }
  // One file without a digest, even one the install holds, leaves nothing to go by.
  std::vector<PackageItem> undigested = items;
  undigested[3].digest.reset();
  EXPECT_FALSE(PlanFetch(undigested, [](const PackageItem&) { return true; }));
}

}  // namespace
}  // namespace update
