#include "toolkit/win32/image_cache.h"

namespace toolkit {

Gdiplus::Bitmap* ImageCache::Find(const std::string& name) {
  const auto known = m_images.find(name);
  if (known != m_images.end()) return known->second.get();
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  if (m_decoder) {
    if (const std::optional<ResourceBytes> bytes = m_provider.Load(name)) {
      bitmap = m_decoder->Decode(*bytes);
    }
  }
  return m_images.emplace(name, std::move(bitmap)).first->second.get();
}

}  // namespace toolkit
