// The images skins are cut from, as far as the widget tree needs them: whether an image exists
// and its size in pixels. Painting itself goes through the Canvas.
#pragma once

#include <optional>
#include <string_view>

#include "toolkit/core/geometry.h"

namespace toolkit {

class IImageSource {
 public:
  virtual ~IImageSource() = default;

  // The pixel size of the image with resource name `name` ("img:buttonlogin"); nothing when the
  // image does not exist or cannot be read.
  virtual std::optional<Size> GetImageSize(std::string_view name) const = 0;
};

}  // namespace toolkit
