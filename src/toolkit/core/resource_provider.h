// Where the toolkit gets the bytes of its layouts, value tables and images. A resource is named
// by its type, a colon and its name ("LAYOUT:XML_MAINWND", "img:radio选择"); both parts are
// matched without regard to case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

using ResourceBytes = std::vector<std::uint8_t>;

struct ResourceName {
  std::string type;
  std::string name;
};

// Splits "type:name" at its first colon. Nothing when there is no colon or a part is empty.
std::optional<ResourceName> ParseResourceName(std::string_view text);

// Equality of two resource type or name parts (UTF-8) without regard to case, as Windows
// compares resource names: letters of the Latin (ASCII, Latin-1, Latin Extended-A), Greek and
// Cyrillic alphabets fold; every other character, CJK included, must be equal. Bytes that are
// not valid UTF-8 must be equal too.
bool ResourceNamesEqual(std::string_view a, std::string_view b);

// A source of resources: the program's own module on Windows, a folder in tests and tools.
class ResourceProvider {
 public:
  virtual ~ResourceProvider() = default;

  // The bytes of the resource "type:name"; nothing when this provider does not hold it or
  // cannot read it.
  virtual std::optional<ResourceBytes> Load(std::string_view typeAndName) const = 0;
};

}  // namespace toolkit
