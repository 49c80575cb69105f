#include "package_ranges.h"

#include <ctime>
#include <limits>

namespace vendor_stub {
namespace {

// Mon, 01 Jan 2024 00:00:00 GMT: when the package "was last modified".
constexpr std::time_t kPackageTime = 1704067200;

std::string HttpDate(std::time_t when) {
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
  return std::string(text, length);
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The N of "bytes=N-"; nothing for any other form. An N too large to hold stays past any end.
std::optional<std::uint64_t> OpenRangeStart(std::string_view value) {
  constexpr std::string_view kUnit = "bytes=";
  value = Trimmed(value);
  if (value.substr(0, kUnit.size()) != kUnit || value.size() < kUnit.size() + 2 ||
      value.back() != '-') {
    return std::nullopt;
  }
  const std::string_view digits = value.substr(kUnit.size(), value.size() - kUnit.size() - 1);
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t start = 0;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9') return std::nullopt;
    const auto add = static_cast<std::uint64_t>(digit - '0');
    start = start > (kMax - add) / 10 ? kMax : start * 10 + add;
  }
  return start;
}

}  // namespace

Validators StableValidators(const std::string& digestHex) {
  return {"\"" + digestHex + "\"", HttpDate(kPackageTime)};
}

Validators FreshValidators(const std::string& digestHex, std::uint64_t serial) {
  return {"\"" + digestHex + "-" + std::to_string(serial) + "\"",
          HttpDate(kPackageTime + static_cast<std::time_t>(serial))};
}

RangeAnswer AnswerRange(const std::optional<std::string>& range,
                        const std::optional<std::string>& ifRange, const Validators& current,
                        std::uint64_t size, bool servesRanges) {
  if (!servesRanges || !range) return {};
  // A validator other than the current one asks for the whole package instead of a range.
  if (ifRange && *ifRange != current.etag && *ifRange != current.lastModified) return {};
  const std::optional<std::uint64_t> start = OpenRangeStart(*range);
  if (!start) return {};
  if (*start >= size) return {RangeAnswer::Kind::kUnsatisfiable, *start};
  return {RangeAnswer::Kind::kPartial, *start};
}

std::string ContentRange(const RangeAnswer& answer, std::uint64_t size) {
  if (answer.kind == RangeAnswer::Kind::kUnsatisfiable) return "bytes */" + std::to_string(size);
  return "bytes " + std::to_string(answer.start) + "-" + std::to_string(size - 1) + "/" +
         std::to_string(size);
}

}  // namespace vendor_stub
