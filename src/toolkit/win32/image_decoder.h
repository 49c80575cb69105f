// Image decoders, chosen by name. Only "decoder-gdiplus" exists in this build: it decodes the
// PNG skins with GDI+ into premultiplied 32-bit bitmaps ready for drawing.
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

#include <memory>
#include <string_view>

#include "toolkit/core/resource_provider.h"

namespace toolkit {

inline constexpr std::string_view kGdiplusDecoderName = "decoder-gdiplus";

class ImageDecoderFactory {
 public:
  virtual ~ImageDecoderFactory() = default;
  // The image in `bytes` as a 32-bpp premultiplied bitmap; null when it cannot be decoded.
  virtual std::unique_ptr<Gdiplus::Bitmap> Decode(const ResourceBytes& bytes) const = 0;
};

// Needs GDI+ started (GdiplusSession) while it decodes.
class GdiplusDecoderFactory : public ImageDecoderFactory {
 public:
  std::unique_ptr<Gdiplus::Bitmap> Decode(const ResourceBytes& bytes) const override;
};

// The decoder for `name`: "decoder-gdiplus" gives GdiplusDecoderFactory. The toolkit knows the
// names "decoder-wic", "decoder-stb" and "decoder-png" too, but this build carries none of those
// back-ends, so they give null like any other name.
std::shared_ptr<ImageDecoderFactory> CreateImageDecoderFactory(std::string_view name);

}  // namespace toolkit
