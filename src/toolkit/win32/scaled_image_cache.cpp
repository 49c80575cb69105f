#include "toolkit/win32/scaled_image_cache.h"

namespace toolkit {
namespace {

std::size_t PixelsOf(Size size) {
  return static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
}

std::unique_ptr<Gdiplus::Bitmap> Scale(Gdiplus::Bitmap* image, const Rect& source, Size size,
                                       const Gdiplus::ImageAttributes& attributes) {
  auto scaled = std::make_unique<Gdiplus::Bitmap>(size.width, size.height, PixelFormat32bppPARGB);
  if (scaled->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(scaled.get());
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
  const Gdiplus::Status drawn = graphics.DrawImage(
      image, Gdiplus::Rect(0, 0, size.width, size.height), source.left, source.top, source.Width(),
      source.Height(), Gdiplus::UnitPixel, &attributes);
  return drawn == Gdiplus::Ok ? std::move(scaled) : nullptr;
}

}  // namespace

Gdiplus::Bitmap* ScaledImageCache::Find(Gdiplus::Bitmap* image, const Rect& source, Size size,
                                        const Gdiplus::ImageAttributes& attributes) {
  for (auto part = m_parts.begin(); part != m_parts.end(); ++part) {
    if (part->image == image && part->source == source && part->size == size) {
      m_parts.splice(m_parts.begin(), m_parts, part);
      return m_parts.front().scaled.get();
    }
  }
  std::unique_ptr<Gdiplus::Bitmap> scaled = Scale(image, source, size, attributes);
  if (!scaled) return nullptr;
  ++m_partsMade;
  m_parts.push_front({image, source, size, std::move(scaled)});
  m_pixels += PixelsOf(size);
  // The newest part stays even when it alone is over the budget: it is about to be drawn.
  while (m_pixels > m_pixelBudget && m_parts.size() > 1) {
    m_pixels -= PixelsOf(m_parts.back().size);
    m_parts.pop_back();
  }
  return m_parts.front().scaled.get();
}

}  // namespace toolkit
