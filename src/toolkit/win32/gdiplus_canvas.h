// The Canvas drawn with GDI+ onto a premultiplied 32-bpp surface (the host window's back buffer).
// Text is drawn anti-aliased (not ClearType), so every pixel keeps a correct alpha and the
// surface can go straight to UpdateLayeredWindow.
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

#include <vector>

#include "toolkit/core/canvas.h"
#include "toolkit/win32/image_cache.h"

namespace toolkit {

class GdiplusCanvas : public Canvas {
 public:
  // Draws on `surface` (PixelFormat32bppPARGB), never outside `bounds`. Both outlive the canvas.
  GdiplusCanvas(Gdiplus::Bitmap* surface, const Rect& bounds, ImageCache& images);

  void PushClip(const Rect& rect) override;
  void PopClip() override;
  Rect ClipBounds() const override { return m_clips.back(); }
  void FillRect(const Rect& rect, Colour colour) override;
  void DrawBorder(const Rect& rect, Colour colour, int width) override;
  void DrawImage(const std::string& image, const Rect& source, const Rect& dest) override;
  void DrawNineSlice(const std::string& image, const Rect& source, const Insets& margins,
                     const Rect& dest) override;
  void DrawText(std::string_view text, const IFont& font, Colour colour, const Rect& rect,
                const TextFormat& format) override;

 private:
  void ApplyClip();
  void DrawPart(Gdiplus::Bitmap* bitmap, const Rect& source, const Rect& dest);

  Gdiplus::Graphics m_graphics;
  ImageCache& m_images;
  std::vector<Rect> m_clips;  // the bounds first, then each pushed clip intersected
  Gdiplus::ImageAttributes m_clampEdges;
};

// The GDI+ colour of a toolkit colour (alpha << 24 | blue << 16 | green << 8 | red).
Gdiplus::Color ToGdiplusColour(Colour colour);

}  // namespace toolkit
