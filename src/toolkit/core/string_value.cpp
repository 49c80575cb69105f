#include "toolkit/core/string_value.h"

namespace toolkit {
namespace {

constexpr std::string_view kStringReference = "@string/";

}  // namespace

void StringTable::Add(std::string_view name, std::string_view text) {
  m_texts[std::string(name)] = std::string(text);
}

std::optional<std::string> StringTable::Find(std::string_view name) const {
  const auto it = m_texts.find(name);
  if (it == m_texts.end()) return std::nullopt;
  return it->second;
}

std::string ParseStringValue(std::string_view text, const StringTable& table) {
  if (text.substr(0, kStringReference.size()) == kStringReference) {
    if (std::optional<std::string> entry = table.Find(text.substr(kStringReference.size()))) {
      return *entry;
    }
  }
  return std::string(text);
}

}  // namespace toolkit
