#include "workflow/answer_headers.h"

#include <charconv>

#include "toolkit/core/text_util.h"

namespace update {
namespace {

using toolkit::EqualsIgnoreCase;
using toolkit::TrimAscii;

// One decimal number at the front of `text`, which it leaves after the digits.
std::optional<std::uint64_t> TakeNumber(std::string_view& text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return value;
}

// "bytes 100-199/200" or "bytes 100-199/*".
std::optional<ContentRange> ContentRangeOf(std::string_view value) {
  constexpr std::string_view kUnit = "bytes ";
  if (value.size() <= kUnit.size() || !EqualsIgnoreCase(value.substr(0, kUnit.size()), kUnit)) {
    return std::nullopt;
  }
  value.remove_prefix(kUnit.size());
  ContentRange range;
  const std::optional<std::uint64_t> first = TakeNumber(value);
  if (!first || value.empty() || value.front() != '-') return std::nullopt;
  value.remove_prefix(1);
  const std::optional<std::uint64_t> last = TakeNumber(value);
  if (!last || *last < *first || value.empty() || value.front() != '/') return std::nullopt;
  value.remove_prefix(1);
  range.first = *first;
  range.last = *last;
  if (value == "*") return range;
  range.size = TakeNumber(value);
  if (!range.size || !value.empty() || *range.size <= *last) return std::nullopt;
  return range;
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
    contentRange = ContentRangeOf(value);
  } else if (EqualsIgnoreCase(name, "Content-Length")) {
    std::string_view digits = value;
    contentLength = TakeNumber(digits);
    if (!digits.empty()) contentLength.reset();
  }
}

}  // namespace update
