// The application's resource providers: every lookup asks them in turn, the one added last
// first. The list is guarded by a lock, so providers may be added while another thread reads.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "toolkit/core/resource_provider.h"

namespace toolkit {

class ProviderList : public ResourceProvider {
 public:
  void Add(std::shared_ptr<const ResourceProvider> provider);
  std::optional<ResourceBytes> Load(std::string_view typeAndName) const override;

 private:
  mutable std::mutex m_lock;
  std::vector<std::shared_ptr<const ResourceProvider>> m_providers;
};

}  // namespace toolkit
