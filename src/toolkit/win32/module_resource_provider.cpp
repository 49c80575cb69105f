#include "toolkit/win32/module_resource_provider.h"

#include <string>

#include "common/text_convert.h"

namespace toolkit {

std::optional<ResourceBytes> ModuleResourceProvider::Load(std::string_view typeAndName) const {
  const std::optional<ResourceName> parsed = ParseResourceName(typeAndName);
  if (!parsed || m_module == nullptr) return std::nullopt;
  const std::wstring type = update::Utf8ToWide(parsed->type);
  const std::wstring name = update::Utf8ToWide(parsed->name);
  HRSRC found = FindResourceW(m_module, name.c_str(), type.c_str());
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(m_module, found);
  const DWORD size = SizeofResource(m_module, found);
  const auto* data = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (data == nullptr) return std::nullopt;
  return ResourceBytes(data, data + size);
}

}  // namespace toolkit
