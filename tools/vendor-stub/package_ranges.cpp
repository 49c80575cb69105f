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

// A decimal number; one too large to hold stays past any end. Nothing for anything else.
std::optional<std::uint64_t> Number(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9') return std::nullopt;
    const auto add = static_cast<std::uint64_t>(digit - '0');
    value = value > (kMax - add) / 10 ? kMax : value * 10 + add;
  }
  return value;
}

// The one range of "bytes=N-", "bytes=N-M" or "bytes=-N" as first and last byte of a package of
// `size` bytes (the last one may lie past the end); nothing for any other form.
struct AskedRange {
  std::uint64_t first;
  std::uint64_t last;
  bool openEnded = false;
};
std::optional<AskedRange> AskedRangeOf(std::string_view value, std::uint64_t size) {
  constexpr std::string_view kUnit = "bytes=";
  value = Trimmed(value);
  if (value.substr(0, kUnit.size()) != kUnit) return std::nullopt;
  value.remove_prefix(kUnit.size());
  const std::size_t dash = value.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view from = value.substr(0, dash);
  const std::string_view to = value.substr(dash + 1);
  if (from.empty()) {  // the last N bytes
    const std::optional<std::uint64_t> count = Number(to);
    if (!count || *count == 0) return std::nullopt;
    return AskedRange{size - std::min(*count, size), size == 0 ? 0 : size - 1};
  }
  const std::optional<std::uint64_t> first = Number(from);
  if (!first) return std::nullopt;
  if (to.empty()) return AskedRange{*first, size == 0 ? 0 : size - 1, true};
  const std::optional<std::uint64_t> last = Number(to);
  if (!last || *last < *first) return std::nullopt;
  return AskedRange{*first, std::min(*last, size == 0 ? 0 : size - 1)};
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
  const std::optional<AskedRange> asked = AskedRangeOf(*range, size);
  if (!asked) return {};
  if (asked->first >= size) return {RangeAnswer::Kind::kUnsatisfiable, asked->first, 0, false};
  return {RangeAnswer::Kind::kPartial, asked->first, asked->last, asked->openEnded};
}

std::string ContentRange(const RangeAnswer& answer, std::uint64_t size) {
  if (answer.kind == RangeAnswer::Kind::kUnsatisfiable) return "bytes */" + std::to_string(size);
  return "bytes " + std::to_string(answer.start) + "-" + std::to_string(answer.last) + "/" +
         std::to_string(size);
}

}  // namespace vendor_stub
