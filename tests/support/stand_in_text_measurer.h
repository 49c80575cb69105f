// Text measured without fonts, for tests and for uidump: results are deterministic and do not
// depend on the fonts a machine has.
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include "toolkit/core/font_pool.h"
#include "toolkit/core/text_measurer.h"

namespace toolkit_test {

// The stand-in rule, for a font of height h (the style word's height):
// - every code point below U+0080 is (h + 1) / 2 pixels wide, every other code point h wide
//   (CJK characters are square, Latin letters half as wide);
// - the line is h * 4 / 3 pixels high (integer division), which is about the line height of
//   the CJK faces the package names; an empty text is 0 wide and still one line high.
// Invalid UTF-8 bytes count as one code point each.
class StandInTextMeasurer : public toolkit::ITextMeasurer {
 public:
  toolkit::Size MeasureText(std::string_view text, const toolkit::IFont& font) const override;
};

// A font that is just its request: enough for measuring with the stand-in and for recording.
class RequestFont : public toolkit::IFont {
 public:
  explicit RequestFont(toolkit::FontRequest request) : m_request(std::move(request)) {}
  const toolkit::FontRequest& GetRequest() const override { return m_request; }

 private:
  toolkit::FontRequest m_request;
};

class RequestFontFactory : public toolkit::IFontFactory {
 public:
  std::shared_ptr<toolkit::IFont> MakeFont(const toolkit::FontRequest& request) override;
};

}  // namespace toolkit_test
