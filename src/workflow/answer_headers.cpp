#include "workflow/answer_headers.h"

#include <cctype>
#include <charconv>

namespace update {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// "bytes 100-199/200" (or ".../*"): 100.
std::optional<std::uint64_t> RangeStartOf(std::string_view value) {
  constexpr std::string_view kUnit = "bytes ";
  if (value.size() <= kUnit.size() || !SameLetters(value.substr(0, kUnit.size()), kUnit)) {
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
  const std::string_view name = Trimmed(line.substr(0, colon));
  const std::string_view value = Trimmed(line.substr(colon + 1));
  if (SameLetters(name, "ETag")) {
    etag = value;
  } else if (SameLetters(name, "Last-Modified")) {
    lastModified = value;
  } else if (SameLetters(name, "Accept-Ranges")) {
    acceptsByteRanges = SameLetters(value, "bytes");
  } else if (SameLetters(name, "Content-Range")) {
    rangeStart = RangeStartOf(value);
  }
}

}  // namespace update
