// Resources of a loaded Windows module (the program's own file, or a resource DLL), looked up as
// resource type = the part of "type:name" before the colon and resource name = the part after
// it. The system loader matches both without regard to case, CJK names included.
#pragma once

#include <windows.h>

#include "toolkit/core/resource_provider.h"

namespace toolkit {

class ModuleResourceProvider : public ResourceProvider {
 public:
  // `module` must stay loaded while the provider is used; the provider does not own it.
  explicit ModuleResourceProvider(HMODULE module) : m_module(module) {}

  std::optional<ResourceBytes> Load(std::string_view typeAndName) const override;

  HMODULE Module() const { return m_module; }

 private:
  HMODULE m_module;
};

}  // namespace toolkit
