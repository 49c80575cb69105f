#include "toolkit/core/colour_value.h"

#include <algorithm>

#include "toolkit/core/text_util.h"

namespace toolkit {
namespace {

constexpr std::string_view kColourReference = "@color/";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads fields the way scanf reads "%02x" (up to two hex digits after optional white space) and
// "%d" fields separated by literal characters; counts the fields read before the first mismatch.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : m_text(text) {}

  bool Literal(std::string_view expected) {
    if (m_text.substr(0, expected.size()) != expected) return false;
    m_text.remove_prefix(expected.size());
    return true;
  }

  bool HexByte(int* value) {
    SkipSpace();
    int digits = 0;
    int result = 0;
    while (digits < 2 && !m_text.empty() && HexDigit(m_text.front()) >= 0) {
      result = result * 16 + HexDigit(m_text.front());
      m_text.remove_prefix(1);
      ++digits;
    }
    if (digits == 0) return false;
    *value = result;
    return true;
  }

  bool Decimal(int* value) {
    size_t consumed = 0;
    const std::optional<int> number = ReadIntPrefix(m_text, &consumed);
    if (!number) return false;
    m_text.remove_prefix(consumed);
    *value = std::clamp(*number, 0, 255);
    return true;
  }

 private:
  void SkipSpace() {
    while (!m_text.empty() && IsAsciiSpace(m_text.front())) m_text.remove_prefix(1);
  }

  std::string_view m_text;
};

// "#rrggbbaa": counts the components read.
int ReadHex(std::string_view text, int components[4]) {
  FieldReader reader(text);
  reader.Literal("#");
  int read = 0;
  while (read < 4 && reader.HexByte(&components[read])) ++read;
  return read;
}

// "<prefix>(%d,%d,%d[,%d])": counts the components read.
int ReadDecimal(std::string_view text, std::string_view prefix, int fields, int components[4]) {
  FieldReader reader(text);
  if (!reader.Literal(prefix) || !reader.Literal("(")) return 0;
  int read = 0;
  while (read < fields && reader.Decimal(&components[read])) {
    ++read;
    if (read < fields && !reader.Literal(",")) break;
  }
  return read;
}

}  // namespace

std::optional<Colour> ParseColourLiteral(std::string_view text) {
  const std::string lower = ToLowerAscii(text);
  int components[4] = {255, 255, 255, 255};  // red, green, blue, alpha
  int read = 0;
  if (!lower.empty() && lower.front() == '#') {
    read = ReadHex(lower, components);
  } else if (lower.compare(0, 4, "rgba") == 0) {
    read = ReadDecimal(lower, "rgba", 4, components);
  } else if (lower.compare(0, 3, "rgb") == 0) {
    read = ReadDecimal(lower, "rgb", 3, components);
  }
  if (read < 3) return std::nullopt;
  return MakeColour(static_cast<uint8_t>(components[0]), static_cast<uint8_t>(components[1]),
                    static_cast<uint8_t>(components[2]), static_cast<uint8_t>(components[3]));
}

bool ColourTable::Add(std::string_view name, std::string_view value) {
  const std::optional<Colour> colour = ParseColourLiteral(value);
  if (!colour) return false;
  m_colours[std::string(name)] = *colour;
  return true;
}

std::optional<Colour> ColourTable::Find(std::string_view name) const {
  const auto it = m_colours.find(name);
  if (it == m_colours.end()) return std::nullopt;
  return it->second;
}

Colour ParseColourValue(std::string_view text, const ColourTable& table) {
  if (text.substr(0, kColourReference.size()) == kColourReference) {
    return table.Find(text.substr(kColourReference.size())).value_or(kNoColour);
  }
  return ParseColourLiteral(text).value_or(kNoColour);
}

}  // namespace toolkit
