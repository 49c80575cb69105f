#include "toolkit/core/resource_provider.h"

#include <cstddef>

namespace toolkit {
namespace {

// Code points above this mark a byte that is not part of valid UTF-8; such bytes compare only
// with themselves.
constexpr char32_t kRawByte = 0x110000;

// Decodes the code point at `pos` and advances `pos` past it. Overlong forms, surrogates and
// values beyond U+10FFFF are not valid UTF-8: their first byte is returned as a raw byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  }
  bool valid = length != 0 && pos + length <= text.size();
  for (std::size_t i = 1; valid && i < length; ++i) {
    valid = (byte(pos + i) & 0xC0) == 0x80;
    value = (value << 6) | (byte(pos + i) & 0x3F);
  }
  valid = valid && value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
  if (!valid) {
    ++pos;
    return kRawByte + lead;
  }
  pos += length;
  return value;
}

// Upper case of the letters that have one in the alphabets named in the header.
char32_t ToUpper(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;  // Latin-1, except the division sign
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return c & ~char32_t{1};
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c == 0x3CC) return 0x38C;
  if (c >= 0x3CD && c <= 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0x460 && c <= 0x481) return c & ~char32_t{1};
  return c;
}

}  // namespace

std::optional<ResourceName> ParseResourceName(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) {
    return std::nullopt;
  }
  return ResourceName{std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

bool ResourceNamesEqual(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (ToUpper(NextCodePoint(a, i)) != ToUpper(NextCodePoint(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace toolkit
