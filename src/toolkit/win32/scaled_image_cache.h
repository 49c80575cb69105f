// Image parts kept at the size they are drawn at. Scaling a large part costs far more than
// copying it (under Wine a banner of 840 x 440 took 190 ms to scale and about 8 ms to copy), and
// a window redraws the same parts at the same sizes again and again. The least recently used
// parts go first once the cache holds more pixels than its budget. UI thread only.
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

#include <cstddef>
#include <list>
#include <memory>

#include "toolkit/core/geometry.h"

namespace toolkit {

class ScaledImageCache {
 public:
  explicit ScaledImageCache(std::size_t pixelBudget) : m_pixelBudget(pixelBudget) {}

  // The `source` part of `image` scaled to `size` (bilinear, edges clamped by `attributes`),
  // premultiplied 32 bpp; null when it cannot be made. `image` must outlive the cache. The
  // result stays valid until the next call.
  Gdiplus::Bitmap* Find(Gdiplus::Bitmap* image, const Rect& source, Size size,
                        const Gdiplus::ImageAttributes& attributes);
  // How many parts were scaled so far.
  std::size_t PartsMade() const { return m_partsMade; }

 private:
  struct Part {
    Gdiplus::Bitmap* image;
    Rect source;
    Size size;
    std::unique_ptr<Gdiplus::Bitmap> scaled;
  };

  std::size_t m_pixelBudget;
  std::size_t m_pixels = 0;
  std::size_t m_partsMade = 0;
  std::list<Part> m_parts;  // the most recently used first
};

}  // namespace toolkit
