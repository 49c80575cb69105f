// A native top-level window whose client area the toolkit draws: the widget tree of one layout
// (built during WM_CREATE), painted with GDI+ into a back buffer and shown as a per-pixel-alpha
// (layered) window when the layout asks for a translucent one. Changes reach the screen in one
// place: a flush lays the tree out and then paints what is invalid, once (see IWidgetHost). Mouse
// input goes to the widget tree; widget events and window messages go first to the subclass's
// maps. The first host of type "appMain" becomes the application's main window as it is
// created. UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/widget_tree.h"
#include "toolkit/win32/accessible_object.h"
#include "toolkit/win32/back_buffer.h"

namespace toolkit {

// Why Create returned no window.
enum class HostCreateError {
  kNone,
  kNoApplication,
  kLayout,        // the layout did not load: the program's own resources are at fault
  kWindowSystem,  // the system refused the window although the layout loaded
};

class HostWindow : public IWidgetHost {
 public:
  // Nothing is loaded until Create.
  explicit HostWindow(std::string layoutName);
  ~HostWindow() override;
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // Creates the window of the application's host class. With `width` or `height` 0 the layout's
  // size is used and the window is centred on `parent` (or on its monitor's work area). Returns
  // the existing handle when the window exists already, null when it cannot be created (no
  // application, the layout does not load, the system refuses the window: see CreateError).
  HWND Create(HWND parent, int x, int y, int width, int height);
  HWND Handle() const { return m_hwnd; }
  HostCreateError CreateError() const { return m_createError; }

  // Centres the window on `reference` (see CentreWindow).
  bool CenterWindow(HWND reference);

  // The widgets; null before Create.
  WidgetTree* Tree() const { return m_tree.get(); }
  Widget* FindChildByName(std::string_view name, int depth = -1) const;
  template <typename T>
  T* FindChildByClass(std::string_view name, int depth = -1) const {
    return m_tree && m_tree->Root() ? m_tree->Root()->FindChildByClass<T>(name, depth) : nullptr;
  }

  // The premultiplied BGRA pixel the window shows at client (x, y): for tests and tools.
  std::uint32_t PixelAt(int x, int y) const { return m_buffer.Pixel(x, y); }

  // IWidgetHost
  void Invalidate(const Rect& rect) override;
  void RequestLayout() override;
  void Flush() override;
  void OpenLink(const std::string& href) override;
  void OnAccessibleChange(const Widget& widget, AccessibleChange change) override;
  HostFrameState GetFrameState() const override;
  void StartWindowMove() override;
  void Maximise() override;
  void Restore() override;
  bool OnWidgetEvent(EventArgs& args) override;
  void Log(std::string_view tag, std::string_view function, std::string_view line) override;

  // The window procedure of the host class.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  // The subclass's message map, tried first. Returns true when it handled the message, with the
  // message's result in `result`; false lets the host handle it.
  virtual bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                    LRESULT& result);
  // The subclass's event map: widget events that the widgets' own subscribers left unhandled.
  virtual bool OnEvent(EventArgs& args);
  // A frame has just gone to the screen: `area` of the back buffer was presented, painted anew
  // or, as the window appears, again as it stood. For tests, which count frames and look at what
  // each showed.
  virtual void OnFramePresented(const Rect& area);

 private:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool OnCreate();
  void OnSize(int width, int height);
  void ApplyHostAttributes();
  void PostFlush();
  void Paint();
  void Present(const Rect& dirty);
  LRESULT HitTestFrame(LPARAM lparam) const;
  LRESULT AnswerAccessibleObject(WPARAM wparam);
  void DoAccessibleAction(int serial);
  bool SetCursorForHovered() const;

  std::string m_layoutName;
  HWND m_hwnd = nullptr;
  HostCreateError m_createError = HostCreateError::kNone;
  std::unique_ptr<WidgetTree> m_tree;
  BackBuffer m_buffer;
  Rect m_dirty;  // empty when nothing waits to be painted
  bool m_flushPosted = false;
  bool m_layered = false;
  bool m_trackingLeave = false;
  // Shared with the accessible objects handed out; cut when the window goes.
  std::shared_ptr<AccessibleTreeLink> m_accessible;
};

}  // namespace toolkit
