// Image sizes read from the PNG header of image resources, without decoding the pixels. Enough
// for layout and skin frame sizes on every platform; decoding belongs to the canvas.
#pragma once

#include <optional>
#include <string_view>

#include "toolkit/core/image_source.h"
#include "toolkit/core/resource_provider.h"

namespace toolkit {

// The width and height of the PNG image in `bytes`: the signature and a complete IHDR chunk
// must be present, and both sizes must be 1..2^31-1. Nothing otherwise.
std::optional<Size> ReadPngSize(const ResourceBytes& bytes);

class PngImageSource : public IImageSource {
 public:
  // `provider` must outlive this object.
  explicit PngImageSource(const ResourceProvider& provider) : m_provider(provider) {}

  std::optional<Size> GetImageSize(std::string_view name) const override;

 private:
  const ResourceProvider& m_provider;
};

}  // namespace toolkit
