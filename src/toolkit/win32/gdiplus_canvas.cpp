#include "toolkit/win32/gdiplus_canvas.h"

#include <algorithm>
#include <memory>

#include "common/text_convert.h"
#include "toolkit/win32/gdi_font.h"

namespace toolkit {
namespace {

Gdiplus::StringAlignment ToAlignment(TextAlign align) {
  switch (align) {
    case TextAlign::kCentre:
      return Gdiplus::StringAlignmentCenter;
    case TextAlign::kRight:
      return Gdiplus::StringAlignmentFar;
    case TextAlign::kLeft:
      break;
  }
  return Gdiplus::StringAlignmentNear;
}

Gdiplus::StringAlignment ToAlignment(TextVAlign align) {
  switch (align) {
    case TextVAlign::kMiddle:
      return Gdiplus::StringAlignmentCenter;
    case TextVAlign::kBottom:
      return Gdiplus::StringAlignmentFar;
    case TextVAlign::kTop:
      break;
  }
  return Gdiplus::StringAlignmentNear;
}

}  // namespace

Gdiplus::Color ToGdiplusColour(Colour colour) {
  return Gdiplus::Color(static_cast<BYTE>(colour >> 24), static_cast<BYTE>(colour),
                        static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour >> 16));
}

GdiplusCanvas::GdiplusCanvas(Gdiplus::Bitmap* surface, const Rect& bounds, ImageCache& images)
    : m_graphics(surface), m_images(images) {
  m_graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  m_graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  m_graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
  // Stretched skin parts must not pull in pixels from beyond their frame.
  m_clampEdges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  m_clips.push_back(bounds);
  ApplyClip();
}

void GdiplusCanvas::ApplyClip() {
  const Rect& clip = m_clips.back();
  m_graphics.SetClip(Gdiplus::Rect(clip.left, clip.top, clip.Width(), clip.Height()));
}

void GdiplusCanvas::PushClip(const Rect& rect) {
  m_clips.push_back(m_clips.back().Intersected(rect));
  ApplyClip();
}

void GdiplusCanvas::PopClip() {
  if (m_clips.size() > 1) m_clips.pop_back();
  ApplyClip();
}

void GdiplusCanvas::FillRect(const Rect& rect, Colour colour) {
  if (rect.IsEmpty() || (colour >> 24) == 0) return;
  Gdiplus::SolidBrush brush(ToGdiplusColour(colour));
  m_graphics.FillRectangle(&brush, rect.left, rect.top, rect.Width(), rect.Height());
}

void GdiplusCanvas::DrawBorder(const Rect& rect, Colour colour, int width) {
  if (width <= 0) return;
  const int w = std::min({width, rect.Width() / 2 + 1, rect.Height() / 2 + 1});
  FillRect({rect.left, rect.top, rect.right, rect.top + w}, colour);
  FillRect({rect.left, rect.bottom - w, rect.right, rect.bottom}, colour);
  FillRect({rect.left, rect.top + w, rect.left + w, rect.bottom - w}, colour);
  FillRect({rect.right - w, rect.top + w, rect.right, rect.bottom - w}, colour);
}

void GdiplusCanvas::DrawPart(Gdiplus::Bitmap* bitmap, const Rect& source, const Rect& dest) {
  if (source.IsEmpty() || dest.IsEmpty()) return;
  const Gdiplus::Rect to(dest.left, dest.top, dest.Width(), dest.Height());
  if (source.Width() == dest.Width() && source.Height() == dest.Height()) {
    m_graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    m_graphics.DrawImage(bitmap, to, source.left, source.top, source.Width(), source.Height(),
                         Gdiplus::UnitPixel);
    return;
  }
  // Small parts (the edges of a stretched frame, a growing bar) are scaled as they are drawn:
  // that is cheap, and each size of a bar is drawn once.
  constexpr int kSmallestCachedPart = 64 * 64;
  if (dest.Width() * dest.Height() >= kSmallestCachedPart) {
    if (Gdiplus::Bitmap* scaled =
            m_images.Scaled().Find(bitmap, source, {dest.Width(), dest.Height()}, m_clampEdges)) {
      m_graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
      m_graphics.DrawImage(scaled, to, 0, 0, dest.Width(), dest.Height(), Gdiplus::UnitPixel);
      return;
    }
  }
  m_graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
  m_graphics.DrawImage(bitmap, to, source.left, source.top, source.Width(), source.Height(),
                       Gdiplus::UnitPixel, &m_clampEdges);
}

void GdiplusCanvas::DrawImage(const std::string& image, const Rect& source, const Rect& dest) {
  if (Gdiplus::Bitmap* bitmap = m_images.Find(image)) DrawPart(bitmap, source, dest);
}

void GdiplusCanvas::DrawNineSlice(const std::string& image, const Rect& source,
                                  const Insets& margins, const Rect& dest) {
  Gdiplus::Bitmap* bitmap = m_images.Find(image);
  if (bitmap == nullptr) return;
  // Columns and rows of the source and of the destination: corner, stretched middle, corner.
  const int sx[4] = {source.left, source.left + margins.left, source.right - margins.right,
                     source.right};
  const int sy[4] = {source.top, source.top + margins.top, source.bottom - margins.bottom,
                     source.bottom};
  const int dx[4] = {dest.left, dest.left + margins.left, dest.right - margins.right, dest.right};
  const int dy[4] = {dest.top, dest.top + margins.top, dest.bottom - margins.bottom, dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      DrawPart(bitmap, {sx[column], sy[row], sx[column + 1], sy[row + 1]},
               {dx[column], dy[row], dx[column + 1], dy[row + 1]});
    }
  }
}

void GdiplusCanvas::DrawText(std::string_view text, const IFont& font, Colour colour,
                             const Rect& rect, const TextFormat& format) {
  const auto* gdi_font = dynamic_cast<const GdiFont*>(&font);
  if (gdi_font == nullptr || text.empty() || rect.IsEmpty() || (colour >> 24) == 0) return;
  const std::wstring wide = update::Utf8ToWide(text);
  std::unique_ptr<Gdiplus::StringFormat> string_format = MakeStringFormat(format.singleLine);
  string_format->SetAlignment(ToAlignment(format.align));
  string_format->SetLineAlignment(ToAlignment(format.valign));
  Gdiplus::SolidBrush brush(ToGdiplusColour(colour));
  const Gdiplus::RectF layout(
      static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
      static_cast<Gdiplus::REAL>(rect.Width()), static_cast<Gdiplus::REAL>(rect.Height()));
  m_graphics.DrawString(wide.c_str(), static_cast<INT>(wide.size()), &gdi_font->Drawing(), layout,
                        string_format.get(), &brush);
}

}  // namespace toolkit
