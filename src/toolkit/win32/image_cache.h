// Decoded images by resource name, decoded on first use and kept for the application's lifetime.
// A name that cannot be loaded or decoded is remembered as missing. UI thread only.
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/resource_provider.h"
#include "toolkit/win32/image_decoder.h"
#include "toolkit/win32/scaled_image_cache.h"

namespace toolkit {

class ImageCache {
 public:
  // Both must outlive the cache; `decoder` may be null (then no image is ever available).
  ImageCache(const ResourceProvider& provider, const ImageDecoderFactory* decoder)
      : m_provider(provider), m_decoder(decoder) {}

  // The bitmap of image resource `name` ("img:buttonlogin"); null when it is not available.
  Gdiplus::Bitmap* Find(const std::string& name);
  // The found images' parts as drawn scaled.
  ScaledImageCache& Scaled() { return m_scaled; }

 private:
  const ResourceProvider& m_provider;
  const ImageDecoderFactory* m_decoder;
  std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>, std::less<>> m_images;
  // Enough for the three banners and the install page's picture of the main window, 8 MiB.
  ScaledImageCache m_scaled{2 * 1024 * 1024};
};

}  // namespace toolkit
