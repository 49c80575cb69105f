#include "workflow/answer_headers.h"

#include <charconv>

#include "toolkit/core/text_util.h"

namespace update {
namespace {

using toolkit::EqualsIgnoreCase;
using toolkit::TrimAscii;

// "bytes 100-199/200" (or ".../*"): 100.
std::optional<std::uint64_t> RangeStartOf(std::string_view value) {
  constexpr std::string_view kUnit = "bytes ";
  if (value.size() <= kUnit.size() || !EqualsIgnoreCase(value.substr(0, kUnit.size()), kUnit)) {
    return std::nullopt;
  }
  value.remove_prefix(kUnit.size());
  std::uint64_t start = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), start);
  if (error != std::errc() || end == value.data() || end == value.data() + value.size() ||
      *end != '-') {
    return std::nullopt;
  }
  return start;
}

}  // namespace

void AnswerHeaders::Read(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = TrimAscii(line.substr(0, colon));
  const std::string_view value = TrimAscii(line.substr(colon + 1));
  if (EqualsIgnoreCase(name, "ETag")) {
    etag = value;
  } else if (EqualsIgnoreCase(name, "Last-Modified")) {
    lastModified = value;
  } else if (EqualsIgnoreCase(name, "Accept-Ranges")) {
    acceptsByteRanges = EqualsIgnoreCase(value, "bytes");
  } else if (EqualsIgnoreCase(name, "Content-Range")) {
    rangeStart = RangeStartOf(value);
  }
}

}  // namespace update
