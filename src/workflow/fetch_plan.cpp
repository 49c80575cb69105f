#include "workflow/fetch_plan.h"

#include <algorithm>

namespace update {

std::optional<FetchPlan> PlanFetch(const std::vector<zip::PackageItem>& items,
                                   const std::function<bool(const zip::PackageItem&)>& installed) {
  FetchPlan plan;
  for (const zip::PackageItem& item : items) {
    if (!item.folder && !item.digest) return std::nullopt;
    if (!installed(item)) plan.items.push_back(&item);
  }
  std::sort(plan.items.begin(), plan.items.end(),
            [](const zip::PackageItem* a, const zip::PackageItem* b) {
              return a->spanStart < b->spanStart;
            });
  for (const zip::PackageItem* item : plan.items) {
    if (!plan.ranges.empty() && plan.ranges.back().last + 1 == item->spanStart) {
      plan.ranges.back().last = item->spanEnd - 1;
    } else {
      plan.ranges.push_back({item->spanStart, item->spanEnd - 1});
    }
    plan.bytes += item->spanSize();
  }
  return plan;
}

}  // namespace update
