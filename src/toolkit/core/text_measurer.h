// Measures text for a widget's desired size. Windows measures with the real font; tests measure
// with a stand-in whose results do not depend on the fonts installed.
#pragma once

#include <string_view>

#include "toolkit/core/font_pool.h"
#include "toolkit/core/geometry.h"

namespace toolkit {

class ITextMeasurer {
 public:
  virtual ~ITextMeasurer() = default;

  // The size UTF-8 `text` takes on one line in `font`.
  virtual Size MeasureText(std::string_view text, const IFont& font) const = 0;
};

}  // namespace toolkit
