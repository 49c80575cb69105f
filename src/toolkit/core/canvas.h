// What a widget needs to paint itself. The widget tree paints through this interface only:
// GDI+ implements it on Windows, a recording canvas lets native tests check what was drawn.
// Coordinates are the host window's client coordinates. Images are named by resource name
// ("img:buttonlogin"); the canvas decodes and caches them as it sees fit.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/core/colour_value.h"
#include "toolkit/core/font_pool.h"
#include "toolkit/core/geometry.h"

namespace toolkit {

// Where text goes inside its rectangle.
enum class TextAlign { kLeft, kCentre, kRight };
enum class TextVAlign { kTop, kMiddle, kBottom };

struct TextFormat {
  TextAlign align = TextAlign::kLeft;
  TextVAlign valign = TextVAlign::kMiddle;
  bool singleLine = true;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Limits drawing to the intersection of `rect` with the current clip until the matching
  // PopClip. Clips nest.
  virtual void PushClip(const Rect& rect) = 0;
  virtual void PopClip() = 0;
  // The current clip: nothing outside it can be drawn.
  virtual Rect ClipBounds() const = 0;

  // Fills `rect` with `colour` (alpha blended).
  virtual void FillRect(const Rect& rect, Colour colour) = 0;

  // A frame of `width` pixels just inside `rect`.
  virtual void DrawBorder(const Rect& rect, Colour colour, int width) = 0;

  // Draws the `source` part of image `image` stretched onto `dest`.
  virtual void DrawImage(const std::string& image, const Rect& source, const Rect& dest) = 0;

  // Draws the `source` part of `image` nine-sliced onto `dest`: the corners given by `margins`
  // keep their size, the edges stretch along their length and the centre both ways.
  virtual void DrawNineSlice(const std::string& image, const Rect& source, const Insets& margins,
                             const Rect& dest) = 0;

  // Draws UTF-8 `text` with `font` in `colour` inside `rect`.
  virtual void DrawText(std::string_view text, const IFont& font, Colour colour, const Rect& rect,
                        const TextFormat& format) = 0;
};

}  // namespace toolkit
