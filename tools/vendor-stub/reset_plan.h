// Where --reset-at breaks package transfers: offsets into the package, each of which resets the
// connection of the first transfer that reaches it, once per run. Transfers count in package
// offsets, so a transfer resumed at N counts from N.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace vendor_stub {

// An offset as given: bytes, or a percentage of the package's size.
struct ResetPoint {
  std::uint64_t value = 0;
  bool percent = false;
};

class ResetPlan {
 public:
  // Offsets at or past `packageSize` are never reached; each distinct offset counts once.
  ResetPlan(const std::vector<ResetPoint>& points, std::uint64_t packageSize);

  // True when an offset not yet used is at `position`: it is used up now, and the transfer
  // there is to be reset before it sends anything more. Any thread.
  bool TakeResetAt(std::uint64_t position);

  // The first offset not yet used after `position` (the largest value when none is left): a
  // transfer at `position` sends no further than that in one piece.
  std::uint64_t NextResetAfter(std::uint64_t position) const;

 private:
  struct Offset {
    std::uint64_t at;
    bool used;
  };

  mutable std::mutex m_mutex;
  std::vector<Offset> m_offsets;  // ascending
};

}  // namespace vendor_stub
