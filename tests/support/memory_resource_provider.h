// Resources held in memory, for cases the shipped package does not have.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "toolkit/core/resource_provider.h"

namespace toolkit_test {

class MemoryResourceProvider : public toolkit::ResourceProvider {
 public:
  // `name` is "type:name"; letter case does not matter (ASCII only).
  void Add(const std::string& name, const std::string& content);
  std::optional<toolkit::ResourceBytes> Load(std::string_view name) const override;

 private:
  std::map<std::string, toolkit::ResourceBytes> m_resources;  // by lower-case ASCII name
};

}  // namespace toolkit_test
