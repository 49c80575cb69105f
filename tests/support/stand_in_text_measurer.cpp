#include "support/stand_in_text_measurer.h"

#include <memory>

namespace toolkit_test {

toolkit::Size StandInTextMeasurer::MeasureText(std::string_view text,
                                               const toolkit::IFont& font) const {
  const int height = font.GetRequest().style.Height();
  int width = 0;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = lead <= 0xEF ? 3 : 1;
    } else if (lead >= 0xC2) {
      length = 2;
    }
    bool valid = i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (!valid) length = 1;
    width += lead < 0x80 ? (height + 1) / 2 : height;
    i += length;
  }
  return {width, height * 4 / 3};
}

std::shared_ptr<toolkit::IFont> RequestFontFactory::MakeFont(const toolkit::FontRequest& request) {
  return std::make_shared<RequestFont>(request);
}

}  // namespace toolkit_test
