#include "reset_plan.h"

#include <algorithm>
#include <limits>

namespace vendor_stub {

ResetPlan::ResetPlan(const std::vector<ResetPoint>& points, std::uint64_t packageSize) {
  std::vector<std::uint64_t> offsets;
  for (const ResetPoint& point : points) {
    // size × percent / 100 rounded down, taken apart so that the product cannot overflow.
    offsets.push_back(point.percent
                          ? packageSize / 100 * point.value + packageSize % 100 * point.value / 100
                          : point.value);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  for (const std::uint64_t at : offsets) m_offsets.push_back({at, false});
}

bool ResetPlan::TakeResetAt(std::uint64_t position) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (Offset& offset : m_offsets) {
    if (offset.at == position && !offset.used) {
      offset.used = true;
      return true;
    }
  }
  return false;
}

std::uint64_t ResetPlan::NextResetAfter(std::uint64_t position) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const Offset& offset : m_offsets) {
    if (offset.at > position && !offset.used) return offset.at;
  }
  return std::numeric_limits<std::uint64_t>::max();
}

}  // namespace vendor_stub
