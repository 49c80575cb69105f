#include "toolkit/core/text_util.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace toolkit {
namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

size_t SkipSpace(std::string_view text, size_t pos) {
  while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
  return pos;
}

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

}  // namespace

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimAscii(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsAsciiSpace(text[begin])) ++begin;
  while (end > begin && IsAsciiSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string ToLowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::string_view> SplitText(std::string_view text, char separator, bool drop_empty) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    const std::string_view piece =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!(drop_empty && piece.empty())) pieces.push_back(piece);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return pieces;
}

std::optional<double> ReadNumberPrefix(std::string_view text, size_t* consumed) {
  const size_t begin = SkipSpace(text, 0);
  size_t pos = begin;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const size_t mantissa = pos;
  size_t end = SkipDigits(text, pos);
  size_t digits = end - mantissa;
  if (end < text.size() && text[end] == '.') {
    const size_t fraction_end = SkipDigits(text, end + 1);
    digits += fraction_end - (end + 1);
    end = fraction_end;
  }
  if (digits == 0) return std::nullopt;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const size_t exponent_end = SkipDigits(text, exponent);
    if (exponent_end > exponent) end = exponent_end;  // "1e" reads as 1, like strtod
  }
  double value = 0;
  const char* first = text.data() + mantissa;
  const auto result = std::from_chars(first, text.data() + end, value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone: tell overflow from underflow by the exponent's sign.
    const std::string_view number = text.substr(mantissa, end - mantissa);
    const size_t e = number.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::max();
  }
  if (consumed) *consumed = end;
  return negative ? -value : value;
}

std::optional<int> ReadIntPrefix(std::string_view text, size_t* consumed) {
  size_t pos = SkipSpace(text, 0);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const size_t digits = pos;
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int>::max()} + 1;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (pos == digits) return std::nullopt;
  if (consumed) *consumed = pos;
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(value > std::numeric_limits<int>::max() ? value - 1 : value);
}

}  // namespace toolkit
