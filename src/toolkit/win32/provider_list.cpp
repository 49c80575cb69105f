#include "toolkit/win32/provider_list.h"

namespace toolkit {

void ProviderList::Add(std::shared_ptr<const ResourceProvider> provider) {
  if (!provider) return;
  std::lock_guard<std::mutex> hold(m_lock);
  m_providers.push_back(std::move(provider));
}

std::optional<ResourceBytes> ProviderList::Load(std::string_view typeAndName) const {
  std::vector<std::shared_ptr<const ResourceProvider>> providers;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    providers = m_providers;
  }
  for (auto it = providers.rbegin(); it != providers.rend(); ++it) {
    if (std::optional<ResourceBytes> bytes = (*it)->Load(typeAndName)) return bytes;
  }
  return std::nullopt;
}

}  // namespace toolkit
