// Small text helpers shared by the attribute parsers of the toolkit core. All of them work on
// ASCII only: UTF-8 bytes above 0x7F (CJK face names, captions) pass through unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

bool IsAsciiSpace(char c);
std::string_view TrimAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix);

// Splits at every `separator`. With `drop_empty` pieces that are empty (before trimming) are
// left out; pieces are returned untrimmed.
std::vector<std::string_view> SplitText(std::string_view text, char separator, bool drop_empty);

// Reads a decimal floating-point number (optional sign, digits, optional fraction, optional
// exponent) at the start of `text` after leading white space, the way C's strtod reads one but
// without locale, hexadecimal, "inf" or "nan". Returns nothing when no digit was read; values
// beyond the double range saturate. `consumed` (optional) receives the characters used.
std::optional<double> ReadNumberPrefix(std::string_view text, size_t* consumed = nullptr);

// Reads a decimal integer (optional sign, digits) after leading white space; stops at the first
// other character. Saturates to the int range. Nothing when no digit was read.
std::optional<int> ReadIntPrefix(std::string_view text, size_t* consumed = nullptr);

}  // namespace toolkit
