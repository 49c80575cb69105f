// A Canvas that draws nothing and records every call as one line of text, for tests and for
// the uidump tool. Lines look like:
//   clip (l,t,r,b) / unclip
//   fill (l,t,r,b) #aabbggrr
//   border (l,t,r,b) #aabbggrr 1
//   image img:name (l,t,r,b) -> (l,t,r,b)
//   nine img:name (l,t,r,b) margins l,t,r,b -> (l,t,r,b)
//   text "..." face height #aabbggrr (l,t,r,b)
#pragma once

#include <string>
#include <vector>

#include "toolkit/core/canvas.h"

namespace toolkit {

// "(l,t,r,b)".
std::string FormatRect(const Rect& rect);

class RecordingCanvas : public Canvas {
 public:
  void PushClip(const Rect& rect) override;
  void PopClip() override;
  void FillRect(const Rect& rect, Colour colour) override;
  void DrawBorder(const Rect& rect, Colour colour, int width) override;
  void DrawImage(const std::string& image, const Rect& source, const Rect& dest) override;
  void DrawNineSlice(const std::string& image, const Rect& source, const Insets& margins,
                     const Rect& dest) override;
  void DrawText(std::string_view text, const IFont& font, Colour colour, const Rect& rect,
                const TextFormat& format) override;

  const std::vector<std::string>& Calls() const { return m_calls; }
  void Clear() { m_calls.clear(); }

 private:
  std::vector<std::string> m_calls;
};

}  // namespace toolkit
