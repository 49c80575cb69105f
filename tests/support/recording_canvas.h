// A Canvas that draws nothing and records every call as one line of text, for tests and for
// uidump. Lines look like:
//   clip (l,t,r,b) / unclip
//   fill (l,t,r,b) #aabbggrr
//   border (l,t,r,b) #aabbggrr 1
//   image img:name (l,t,r,b) -> (l,t,r,b)
//   nine img:name (l,t,r,b) margins l,t,r,b -> (l,t,r,b)
//   text "..." face height #aabbggrr (l,t,r,b)
#pragma once

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/core/canvas.h"

namespace toolkit_test {

// "(l,t,r,b)".
std::string FormatRect(const toolkit::Rect& rect);

class RecordingCanvas : public toolkit::Canvas {
 public:
  // Draws nowhere but records everything inside `bounds` (by default: everywhere).
  explicit RecordingCanvas(const toolkit::Rect& bounds = {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2,
                                                          INT_MAX / 2})
      : m_clips{bounds} {}

  void PushClip(const toolkit::Rect& rect) override;
  void PopClip() override;
  toolkit::Rect ClipBounds() const override { return m_clips.back(); }
  void FillRect(const toolkit::Rect& rect, toolkit::Colour colour) override;
  void DrawBorder(const toolkit::Rect& rect, toolkit::Colour colour, int width) override;
  void DrawImage(const std::string& image, const toolkit::Rect& source,
                 const toolkit::Rect& dest) override;
  void DrawNineSlice(const std::string& image, const toolkit::Rect& source,
                     const toolkit::Insets& margins, const toolkit::Rect& dest) override;
  void DrawText(std::string_view text, const toolkit::IFont& font, toolkit::Colour colour,
                const toolkit::Rect& rect, const toolkit::TextFormat& format) override;

  const std::vector<std::string>& Calls() const { return m_calls; }
  void Clear() { m_calls.clear(); }

 private:
  std::vector<std::string> m_calls;
  std::vector<toolkit::Rect> m_clips;
};

}  // namespace toolkit_test
