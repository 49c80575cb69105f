#include "support/recording_canvas.h"

#include <cstdio>

namespace toolkit_test {

using toolkit::Colour;
using toolkit::Rect;

namespace {

std::string FormatColour(Colour colour) {
  char text[16];
  std::snprintf(text, sizeof text, "#%08x", static_cast<unsigned>(colour));
  return text;
}

}  // namespace

std::string FormatRect(const Rect& rect) {
  return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom) + ")";
}

void RecordingCanvas::PushClip(const Rect& rect) {
  m_calls.push_back("clip " + FormatRect(rect));
  m_clips.push_back(m_clips.back().Intersected(rect));
}

void RecordingCanvas::PopClip() {
  m_calls.push_back("unclip");
  if (m_clips.size() > 1) m_clips.pop_back();
}

void RecordingCanvas::FillRect(const Rect& rect, Colour colour) {
  m_calls.push_back("fill " + FormatRect(rect) + " " + FormatColour(colour));
}

void RecordingCanvas::DrawBorder(const Rect& rect, Colour colour, int width) {
  m_calls.push_back("border " + FormatRect(rect) + " " + FormatColour(colour) + " " +
                    std::to_string(width));
}

void RecordingCanvas::DrawImage(const std::string& image, const Rect& source, const Rect& dest) {
  m_calls.push_back("image " + image + " " + FormatRect(source) + " -> " + FormatRect(dest));
}

void RecordingCanvas::DrawNineSlice(const std::string& image, const Rect& source,
                                    const toolkit::Insets& margins, const Rect& dest) {
  m_calls.push_back("nine " + image + " " + FormatRect(source) + " margins " +
                    std::to_string(margins.left) + "," + std::to_string(margins.top) + "," +
                    std::to_string(margins.right) + "," + std::to_string(margins.bottom) + " -> " +
                    FormatRect(dest));
}

void RecordingCanvas::DrawText(std::string_view text, const toolkit::IFont& font, Colour colour,
                               const Rect& rect, const toolkit::TextFormat&) {
  const toolkit::FontRequest& request = font.GetRequest();
  m_calls.push_back("text \"" + std::string(text) + "\" " + request.face + " " +
                    std::to_string(request.style.Height()) + " " + FormatColour(colour) + " " +
                    FormatRect(rect));
}

}  // namespace toolkit_test
