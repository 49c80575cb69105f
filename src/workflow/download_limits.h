// How long a package transfer may wait, and how often a break is resumed. Windows only.
#pragma once

#include <array>
#include <cstdint>

namespace update {

struct DownloadLimits {
  long connectTimeoutSeconds = 30;
  long stallSeconds = 60;  // no data for this long ends the transfer; there is no overall limit
  int maxRedirects = 5;
  // A transfer that breaks off after data came is resumed after each of these waits in turn,
  // then given up.
  std::array<int, 3> resumeBackoffMs = {1000, 2000, 4000};
  // The most a download writes of a package whose server announces no length (a chunked or
  // close-delimited answer); one that announces it is held to that.
  std::uint64_t largestUnannouncedPackage = std::uint64_t{2} << 30;
};

}  // namespace update
