// Fonts for the font pool: the style word and face of a request turned into a GDI font (face,
// height, bold, italic, underline, strike, weight, character set) and the GDI+ font that draws
// and measures text with it. Text is measured with GDI+ in the same string format the canvas
// draws with, so a widget's desired size matches what is drawn.
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

#include <memory>
#include <string>

#include "toolkit/core/font_pool.h"
#include "toolkit/core/text_measurer.h"

namespace toolkit {

// The LOGFONTW a request asks for: height in pixels as the character height (negative lfHeight),
// weight from the style word (bold 700 when the bold bit is set and no weight is given, else
// 400), the italic, underline and strike-out bits and the character set; face at most 31
// characters. An empty face is left empty (GDI then picks its default).
LOGFONTW MakeLogFont(const FontRequest& request);

class GdiFont : public IFont {
 public:
  GdiFont(FontRequest request, HFONT font, std::unique_ptr<Gdiplus::Font> drawing)
      : m_request(std::move(request)), m_font(font), m_drawing(std::move(drawing)) {}
  ~GdiFont() override { DeleteObject(m_font); }
  GdiFont(const GdiFont&) = delete;
  GdiFont& operator=(const GdiFont&) = delete;

  const FontRequest& GetRequest() const override { return m_request; }
  HFONT Handle() const { return m_font; }
  const Gdiplus::Font& Drawing() const { return *m_drawing; }

 private:
  FontRequest m_request;
  HFONT m_font;
  std::unique_ptr<Gdiplus::Font> m_drawing;
};

// Needs GDI+ started while fonts are made and used.
class GdiFontFactory : public IFontFactory {
 public:
  GdiFontFactory();
  ~GdiFontFactory() override;
  GdiFontFactory(const GdiFontFactory&) = delete;
  GdiFontFactory& operator=(const GdiFontFactory&) = delete;

  std::shared_ptr<IFont> MakeFont(const FontRequest& request) override;

 private:
  HDC m_dc;  // a memory DC, to learn which face GDI actually chose
};

// The string format the canvas draws text with and the measurer measures it with.
std::unique_ptr<Gdiplus::StringFormat> MakeStringFormat(bool singleLine);

class GdiplusTextMeasurer : public ITextMeasurer {
 public:
  GdiplusTextMeasurer();
  Size MeasureText(std::string_view text, const IFont& font) const override;

 private:
  std::unique_ptr<Gdiplus::Bitmap> m_surface;  // 1 x 1, only to have a Graphics
};

}  // namespace toolkit
