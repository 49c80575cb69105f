// Measures text for a widget's desired size. Windows measures with the real font; native builds
// use StandInTextMeasurer, whose results are deterministic and independent of installed fonts.
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include "toolkit/core/font_pool.h"
#include "toolkit/core/geometry.h"

namespace toolkit {

class ITextMeasurer {
 public:
  virtual ~ITextMeasurer() = default;

  // The size UTF-8 `text` takes on one line in `font`.
  virtual Size MeasureText(std::string_view text, const IFont& font) const = 0;
};

// The stand-in rule, for a font of height h (the style word's height):
// - every code point below U+0080 is (h + 1) / 2 pixels wide, every other code point h wide
//   (CJK characters are square, Latin letters half as wide);
// - the line is h * 4 / 3 pixels high (integer division), which is about the line height of
//   the CJK faces the package names; an empty text is 0 wide and still one line high.
// Invalid UTF-8 bytes count as one code point each.
class StandInTextMeasurer : public ITextMeasurer {
 public:
  Size MeasureText(std::string_view text, const IFont& font) const override;
};

// A font that is just its request: enough for measuring with the stand-in and for recording.
class RequestFont : public IFont {
 public:
  explicit RequestFont(FontRequest request) : m_request(std::move(request)) {}
  const FontRequest& GetRequest() const override { return m_request; }

 private:
  FontRequest m_request;
};

class RequestFontFactory : public IFontFactory {
 public:
  std::shared_ptr<IFont> MakeFont(const FontRequest& request) override;
};

}  // namespace toolkit
