#include "support/memory_resource_provider.h"

#include "toolkit/core/text_util.h"

namespace toolkit_test {

void MemoryResourceProvider::Add(const std::string& name, const std::string& content) {
  m_resources[toolkit::ToLowerAscii(name)] = toolkit::ResourceBytes(content.begin(), content.end());
}

std::optional<toolkit::ResourceBytes> MemoryResourceProvider::Load(std::string_view name) const {
  const auto found = m_resources.find(toolkit::ToLowerAscii(name));
  if (found == m_resources.end()) return std::nullopt;
  return found->second;
}

}  // namespace toolkit_test
