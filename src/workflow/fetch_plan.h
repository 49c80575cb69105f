// Which of a package's items an update fetches, and in which byte ranges: each item the install
// does not hold as the package records it, neighbours in one range. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "zip/package_directory.h"

namespace update {

struct ByteSpan {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive, as in a Range header
  std::uint64_t size() const { return last - first + 1; }
};

struct FetchPlan {
  std::vector<const zip::PackageItem*> items;  // in the order of their bytes in the package
  std::vector<ByteSpan> ranges;
  std::uint64_t bytes = 0;  // of all ranges
};

// `installed(item)` is true when the install holds `item` as the package records it. Nothing
// when a file item records no digest: then nothing tells which installed files may stay.
std::optional<FetchPlan> PlanFetch(const std::vector<zip::PackageItem>& items,
                                   const std::function<bool(const zip::PackageItem&)>& installed);

}  // namespace update
