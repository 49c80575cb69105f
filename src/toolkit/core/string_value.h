// Text values of layouts: "@string/name" references into the string table (values:string);
// any other text is used as written.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace toolkit {

// The string table of the UI definition: names (exact, case-sensitive) to UTF-8 texts.
class StringTable {
 public:
  // A later entry of the same name replaces the earlier one.
  void Add(std::string_view name, std::string_view text);
  std::optional<std::string> Find(std::string_view name) const;
  bool Empty() const { return m_texts.empty(); }

 private:
  std::map<std::string, std::string, std::less<>> m_texts;
};

// The text an attribute value or element text gives. "@string/name" (prefix compared exactly)
// is replaced by the table's entry. A name missing from the table leaves the text as written
// ("@string/name"): the fault shows where a tester sees it, and cannot pass for an entry that is
// empty on purpose (the shipped window title is one).
std::string ParseStringValue(std::string_view text, const StringTable& table);

}  // namespace toolkit
