// What the widget tree asks of the native window that hosts it. The Win32 host window
// implements it; tests use a recording double. Called on the UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/core/geometry.h"
#include "toolkit/core/widget_event.h"

namespace toolkit {

// The native window's state as far as caption clicks depend on it.
struct HostFrameState {
  bool maximised = false;
  bool hasSizingFrame = false;  // a resizable border (WS_THICKFRAME on Windows)
  bool hasMaximiseBox = false;  // WS_MAXIMIZEBOX on Windows
};

class Widget;

// What a screen reader is told about a widget that changed.
enum class AccessibleChange { kName, kValue, kState, kShown, kHidden };

class IWidgetHost {
 public:
  virtual ~IWidgetHost() = default;

  // Every change reaches the screen the same way: widgets request layout and invalidate, and
  // the host, at its next flush, lays the tree out (which invalidates what moved) and then
  // paints what is invalid, once. A flush comes by itself soon after a request; Flush() is the
  // "redraw now" of a change that must be on screen before the caller goes on.

  // The area `rect` (client coordinates) needs repainting at the next flush.
  virtual void Invalidate(const Rect& rect) = 0;
  // The tree's layout is out of date (a widget's size or visibility changed).
  virtual void RequestLayout() = 0;
  // Lays out and paints what waits, before returning.
  virtual void Flush() = 0;

  // Opens `href` with the system's handler (the browser for web pages).
  virtual void OpenLink(const std::string& href) = 0;

  // A shown widget's text, value, state or visibility changed.
  virtual void OnAccessibleChange(const Widget& widget, AccessibleChange change) = 0;

  virtual HostFrameState GetFrameState() const = 0;
  // Starts moving the window with the mouse (the system's move loop).
  virtual void StartWindowMove() = 0;
  virtual void Maximise() = 0;
  virtual void Restore() = 0;

  // An event that the sender's own subscribers left unhandled: the host hands it to its event
  // map. Returns whether it was handled.
  virtual bool OnWidgetEvent(EventArgs& args) = 0;

  // A diagnostic line (`tag` "toolkit", `function` the toolkit function that wrote it).
  virtual void Log(std::string_view tag, std::string_view function, std::string_view line) = 0;
};

}  // namespace toolkit
