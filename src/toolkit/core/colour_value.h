// Colour values of layouts, styles and the colour table: "#rrggbb", "#rrggbbaa", "rgb(r,g,b)",
// "rgba(r,g,b,a)" (any case) and "@color/name" references into the colour table. A colour is
// alpha << 24 | blue << 16 | green << 8 | red; 0x00FFFFFF (white, fully transparent) means no
// colour and is what every unreadable value gives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace toolkit {

using Colour = uint32_t;

constexpr Colour kNoColour = 0x00FFFFFF;

constexpr Colour MakeColour(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) {
  return Colour{alpha} << 24 | Colour{blue} << 16 | Colour{green} << 8 | Colour{red};
}

// Reads a literal colour. Components that are not given (alpha of "#rrggbb" and "rgb()") are
// 255; decimal components beyond 0..255 are clamped to it. Fails with fewer than three
// components read.
std::optional<Colour> ParseColourLiteral(std::string_view text);

// The colour table of the UI definition (values:color): names (exact, case-sensitive) to colours.
class ColourTable {
 public:
  // Stores `name` with the colour its literal value gives; false (and nothing stored) when the
  // value is not a readable literal. A later entry of the same name replaces the earlier one.
  bool Add(std::string_view name, std::string_view value);
  std::optional<Colour> Find(std::string_view name) const;
  bool Empty() const { return m_colours.empty(); }

 private:
  std::map<std::string, Colour, std::less<>> m_colours;
};

// The colour an attribute value gives: "@color/name" (prefix compared exactly) is looked up in
// `table`; anything else is read as a literal. A name missing from the table, like an unreadable
// literal, gives kNoColour: nothing is drawn rather than a colour the resources never asked for.
Colour ParseColourValue(std::string_view text, const ColourTable& table);

}  // namespace toolkit
