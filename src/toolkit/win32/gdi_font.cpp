#include "toolkit/win32/gdi_font.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "common/text_convert.h"

namespace toolkit {
namespace {

// GDI+ knows the face GDI resolved (font replacements and substitutes applied), not always the
// name the layout asked for.
std::wstring ChosenFace(HDC dc, HFONT font) {
  const HGDIOBJ previous = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  const int length = GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, previous);
  return length > 0 ? std::wstring(face) : std::wstring();
}

INT GdiplusStyle(const LOGFONTW& logfont) {
  INT style = logfont.lfWeight >= FW_BOLD ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
  if (logfont.lfItalic) style |= Gdiplus::FontStyleItalic;
  if (logfont.lfUnderline) style |= Gdiplus::FontStyleUnderline;
  if (logfont.lfStrikeOut) style |= Gdiplus::FontStyleStrikeout;
  return style;
}

}  // namespace

LOGFONTW MakeLogFont(const FontRequest& request) {
  LOGFONTW logfont = {};
  logfont.lfHeight = -request.style.Height();
  const int weight = request.style.Weight();
  logfont.lfWeight = weight != 0 ? weight : (request.style.Bold() ? FW_BOLD : FW_NORMAL);
  logfont.lfItalic = request.style.Italic() ? TRUE : FALSE;
  logfont.lfUnderline = request.style.Underline() ? TRUE : FALSE;
  logfont.lfStrikeOut = request.style.Strike() ? TRUE : FALSE;
  logfont.lfCharSet = static_cast<BYTE>(request.style.Charset());
  logfont.lfOutPrecision = OUT_DEFAULT_PRECIS;
  logfont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  logfont.lfQuality = ANTIALIASED_QUALITY;
  const std::wstring face = update::Utf8ToWide(request.face);
  wcsncpy(logfont.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return logfont;
}

GdiFontFactory::GdiFontFactory() : m_dc(CreateCompatibleDC(nullptr)) {}

GdiFontFactory::~GdiFontFactory() {
  if (m_dc) DeleteDC(m_dc);
}

std::shared_ptr<IFont> GdiFontFactory::MakeFont(const FontRequest& request) {
  const LOGFONTW logfont = MakeLogFont(request);
  HFONT font = CreateFontIndirectW(&logfont);
  if (font == nullptr) return nullptr;
  const std::wstring face = ChosenFace(m_dc, font);
  const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(request.style.Height());
  std::unique_ptr<Gdiplus::Font> drawing;
  Gdiplus::FontFamily family(face.c_str());
  if (family.GetLastStatus() == Gdiplus::Ok) {
    drawing =
        std::make_unique<Gdiplus::Font>(&family, height, GdiplusStyle(logfont), Gdiplus::UnitPixel);
  }
  if (!drawing || drawing->GetLastStatus() != Gdiplus::Ok) {
    drawing = std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), height,
                                              GdiplusStyle(logfont), Gdiplus::UnitPixel);
  }
  if (drawing->GetLastStatus() != Gdiplus::Ok) {
    DeleteObject(font);
    return nullptr;
  }
  return std::make_shared<GdiFont>(request, font, std::move(drawing));
}

std::unique_ptr<Gdiplus::StringFormat> MakeStringFormat(bool singleLine) {
  auto format =
      std::make_unique<Gdiplus::StringFormat>(Gdiplus::StringFormat::GenericTypographic());
  INT flags = format->GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces;
  if (singleLine) flags |= Gdiplus::StringFormatFlagsNoWrap;
  format->SetFormatFlags(flags);
  format->SetTrimming(Gdiplus::StringTrimmingNone);
  return format;
}

GdiplusTextMeasurer::GdiplusTextMeasurer()
    : m_surface(std::make_unique<Gdiplus::Bitmap>(1, 1, PixelFormat32bppPARGB)) {}

Size GdiplusTextMeasurer::MeasureText(std::string_view text, const IFont& font) const {
  const auto* gdi_font = dynamic_cast<const GdiFont*>(&font);
  if (gdi_font == nullptr) return {};  // not a font of this platform: nothing to measure with
  Gdiplus::Graphics graphics(m_surface.get());
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  const Gdiplus::Font& drawing = gdi_font->Drawing();
  const int line = static_cast<int>(std::ceil(drawing.GetHeight(&graphics)));
  if (text.empty()) return {0, line};
  const std::wstring wide = update::Utf8ToWide(text);
  const std::unique_ptr<Gdiplus::StringFormat> format = MakeStringFormat(true);
  Gdiplus::RectF bounds;
  graphics.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), &drawing,
                         Gdiplus::PointF(0, 0), format.get(), &bounds);
  return {static_cast<int>(std::ceil(bounds.Width)),
          std::max(line, static_cast<int>(std::ceil(bounds.Height)))};
}

}  // namespace toolkit
