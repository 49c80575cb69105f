#include "toolkit/win32/host_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <string>

#include "common/text_convert.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/com_ptr.h"
#include "toolkit/win32/debug_output.h"
#include "toolkit/win32/gdiplus_canvas.h"
#include "toolkit/win32/window_centring.h"

namespace toolkit {
namespace {

// Posted to itself when a layout or a part of the window waits: the flush that follows a change.
UINT FlushMessage() {
  static const UINT message = RegisterWindowMessageW(L"toolkit.HostWindow.Flush");
  return message;
}

// Posted by an accessible object: carry out the default action of the widget of tree serial
// wParam.
UINT AccessibleActionMessage() {
  static const UINT message = RegisterWindowMessageW(L"toolkit.HostWindow.AccessibleAction");
  return message;
}

HICON LoadLayoutIcon(HINSTANCE instance, const HostIcon& icon) {
  if (icon.name.empty()) return nullptr;
  const std::wstring name = update::Utf8ToWide(icon.name);
  return static_cast<HICON>(
      LoadImageW(instance, name.c_str(), IMAGE_ICON, icon.size, icon.size, LR_SHARED));
}

}  // namespace

HostWindow::HostWindow(std::string layoutName) : m_layoutName(std::move(layoutName)) {}

HostWindow::~HostWindow() {
  if (m_hwnd) DestroyWindow(m_hwnd);
}

HWND HostWindow::Create(HWND parent, int x, int y, int width, int height) {
  if (m_hwnd) return m_hwnd;
  Application* application = Application::Current();
  if (application == nullptr) {
    m_createError = HostCreateError::kNoApplication;
    return nullptr;
  }
  m_createError = HostCreateError::kNone;
  // The layout decides the frame and the alpha mode once it is loaded (WM_CREATE).
  HWND hwnd = CreateWindowExW(0, application->HostClassName().c_str(), L"",
                              WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, x, y, width,
                              height, parent, nullptr, application->Instance(), this);
  if (hwnd == nullptr) {
    if (m_createError == HostCreateError::kNone) {
      const DWORD error = GetLastError();
      m_createError = HostCreateError::kWindowSystem;
      m_tree.reset();
      WriteDebugLine("toolkit: the system refused the host window, error " + std::to_string(error));
    }
    return nullptr;
  }
  if (width == 0 || height == 0) {
    const HostAttributes& host = m_tree->Host();
    SetWindowPos(hwnd, nullptr, 0, 0, host.width, host.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CentreWindow(hwnd, parent);
  } else {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  return m_hwnd;
}

bool HostWindow::CenterWindow(HWND reference) {
  return m_hwnd != nullptr && CentreWindow(m_hwnd, reference);
}

Widget* HostWindow::FindChildByName(std::string_view name, int depth) const {
  return m_tree && m_tree->Root() ? m_tree->Root()->FindChildByName(name, depth) : nullptr;
}

bool HostWindow::OnCreate() {
  Application* application = Application::Current();
  WidgetContext context;
  context.definition = &application->Definition();
  context.fonts = &application->Fonts();
  context.measurer = &application->Measurer();
  context.host = this;
  LayoutResult built =
      LoadWidgetTree(application->Resources(), m_layoutName, context, &application->NamedIds());
  if (built.error != LayoutError::kNone) {
    m_createError = HostCreateError::kLayout;
    WriteDebugLine("toolkit: layout did not load: " + built.detail);
    return false;
  }
  m_tree = std::move(built.tree);
  ApplyHostAttributes();
  // Known from now on, not only once the message loop runs: work started before the loop (in
  // WM_INITDIALOG) already reports to it.
  if (m_tree->Host().windowType == "appMain" && !IsWindow(application->GetMainWindow())) {
    application->SetMainWindow(m_hwnd);
  }
  return true;
}

void HostWindow::ApplyHostAttributes() {
  const HostAttributes& host = m_tree->Host();
  LONG_PTR style = GetWindowLongPtrW(m_hwnd, GWL_STYLE);
  if (host.resizable) style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
  SetWindowLongPtrW(m_hwnd, GWL_STYLE, style);
  LONG_PTR ex_style = GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE);
  if (host.translucent) ex_style |= WS_EX_LAYERED;
  if (host.appWindow) ex_style |= WS_EX_APPWINDOW;
  SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, ex_style);
  m_layered = host.translucent;
  SetWindowTextW(m_hwnd, update::Utf8ToWide(host.title).c_str());
  const HINSTANCE instance = Application::Current()->Instance();
  if (HICON big = LoadLayoutIcon(instance, host.bigIcon)) {
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HICON small = LoadLayoutIcon(instance, host.smallIcon)) {
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

void HostWindow::OnSize(int width, int height) {
  if (!m_tree || width <= 0 || height <= 0) return;
  if (!m_buffer.Resize(width, height)) return;
  m_tree->SetClientSize(width, height);
  m_dirty = {0, 0, width, height};
  Flush();
}

void HostWindow::Invalidate(const Rect& rect) {
  if (!m_hwnd || rect.IsEmpty()) return;
  m_dirty = m_dirty.United(rect);
  PostFlush();
}

void HostWindow::RequestLayout() {
  if (m_hwnd) PostFlush();
}

void HostWindow::PostFlush() {
  if (!m_flushPosted) m_flushPosted = PostMessageW(m_hwnd, FlushMessage(), 0, 0) != FALSE;
}

void HostWindow::Flush() {
  if (!m_tree) return;
  m_tree->Layout();  // may invalidate what moved
  Paint();
}

void HostWindow::Paint() {
  const Rect dirty = m_dirty.Intersected({0, 0, m_buffer.Width(), m_buffer.Height()});
  m_dirty = {};
  if (dirty.IsEmpty() || !m_buffer.Surface()) return;
  if (IsIconic(m_hwnd)) {
    m_dirty = dirty;  // painted when restored
    return;
  }
  m_buffer.Clear(dirty);
  {
    GdiplusCanvas canvas(m_buffer.Surface(), dirty, Application::Current()->Images());
    m_tree->Paint(canvas);
  }
  Present(dirty);
  OnFramePresented(dirty);
}

void HostWindow::Present(const Rect& dirty) {
  if (m_layered) {
    SIZE size = {m_buffer.Width(), m_buffer.Height()};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    RECT dirty_rect = {dirty.left, dirty.top, dirty.right, dirty.bottom};
    UPDATELAYEREDWINDOWINFO info = {};
    info.cbSize = sizeof(info);
    info.psize = &size;
    info.hdcSrc = m_buffer.Dc();
    info.pptSrc = &source;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = &dirty_rect;
    if (!UpdateLayeredWindowIndirect(m_hwnd, &info)) {
      info.prcDirty = nullptr;  // some systems refuse a dirty rectangle: push the whole buffer
      UpdateLayeredWindowIndirect(m_hwnd, &info);
    }
    return;
  }
  HDC dc = GetDC(m_hwnd);
  if (dc) {
    BitBlt(dc, dirty.left, dirty.top, dirty.Width(), dirty.Height(), m_buffer.Dc(), dirty.left,
           dirty.top, SRCCOPY);
    ReleaseDC(m_hwnd, dc);
  }
}

void HostWindow::OpenLink(const std::string& href) {
  ShellExecuteW(nullptr, L"open", update::Utf8ToWide(href).c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

HostFrameState HostWindow::GetFrameState() const {
  HostFrameState state;
  if (!m_hwnd) return state;
  const LONG_PTR style = GetWindowLongPtrW(m_hwnd, GWL_STYLE);
  state.maximised = IsZoomed(m_hwnd) != FALSE;
  state.hasSizingFrame = (style & WS_THICKFRAME) != 0;
  state.hasMaximiseBox = (style & WS_MAXIMIZEBOX) != 0;
  return state;
}

void HostWindow::StartWindowMove() {
  // The system's move loop takes the mouse until the button is released (and swallows the
  // release), so nothing of ours may hold the capture.
  ReleaseCapture();
  SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void HostWindow::Maximise() {
  SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void HostWindow::Restore() {
  SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
}

bool HostWindow::OnWidgetEvent(EventArgs& args) {
  return OnEvent(args);
}

void HostWindow::Log(std::string_view, std::string_view, std::string_view line) {
  WriteDebugLine(line);
}

bool HostWindow::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

bool HostWindow::OnEvent(EventArgs&) {
  return false;
}

void HostWindow::OnFramePresented(const Rect&) {}

LRESULT HostWindow::HitTestFrame(LPARAM lparam) const {
  const HostFrameState state = GetFrameState();
  if (!m_tree || !state.hasSizingFrame || state.maximised) return HTCLIENT;
  POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(m_hwnd, &point);
  RECT client;
  GetClientRect(m_hwnd, &client);
  const Insets& border = m_tree->Host().resizeMargin;
  const bool left = point.x < border.left;
  const bool right = point.x >= client.right - border.right;
  const bool top = point.y < border.top;
  const bool bottom = point.y >= client.bottom - border.bottom;
  if (top && left) return HTTOPLEFT;
  if (top && right) return HTTOPRIGHT;
  if (bottom && left) return HTBOTTOMLEFT;
  if (bottom && right) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCLIENT;
}

bool HostWindow::SetCursorForHovered() const {
  for (const Widget* widget = m_tree ? m_tree->Hovered() : nullptr; widget;
       widget = widget->GetParent()) {
    if (const std::optional<std::string> cursor = widget->GetAttribute("cursor")) {
      if (*cursor == "hand") {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return true;
      }
      return false;
    }
  }
  return false;
}

LRESULT HostWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (ProcessWindowMessage(m_hwnd, message, wparam, lparam, result)) return result;
  if (message == FlushMessage()) {
    m_flushPosted = false;
    Flush();
    return 0;
  }
  if (message == AccessibleActionMessage()) {
    DoAccessibleAction(static_cast<int>(wparam));
    return 0;
  }
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_NCCALCSIZE:
      // The whole window is client area: the toolkit draws the frame itself.
      return wparam ? 0 : DefWindowProcW(m_hwnd, message, wparam, lparam);
    case WM_NCHITTEST:
      return HitTestFrame(lparam);
    case WM_NCACTIVATE:
      return TRUE;  // no system frame to draw
    case WM_GETMINMAXINFO: {
      // Maximised, the window fills its monitor's work area rather than the whole screen.
      MONITORINFO monitor = {};
      monitor.cbSize = sizeof(monitor);
      if (GetMonitorInfoW(MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
        info->ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left,
                               monitor.rcWork.top - monitor.rcMonitor.top};
        info->ptMaxSize = {monitor.rcWork.right - monitor.rcWork.left,
                           monitor.rcWork.bottom - monitor.rcWork.top};
      }
      return 0;
    }
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) OnSize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_SHOWWINDOW:
      // The window is about to appear: what waits is laid out and painted now, so that the
      // picture is whole before the system shows any of it.
      if (wparam) Flush();
      break;
    case WM_WINDOWPOSCHANGED:
      // Just shown. What was presented while the window was hidden may never have reached the
      // screen (under Wine a layered window is mapped black and keeps only the parts pushed
      // since): the whole picture goes again before this thread does anything else.
      if ((reinterpret_cast<const WINDOWPOS*>(lparam)->flags & SWP_SHOWWINDOW) &&
          m_buffer.Width() > 0 && !IsIconic(m_hwnd)) {
        const Rect whole{0, 0, m_buffer.Width(), m_buffer.Height()};
        Present(whole);
        OnFramePresented(whole);
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(m_hwnd, &paint);
      if (!m_layered) {
        m_dirty = m_dirty.United(
            {paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom});
        Flush();
      }
      EndPaint(m_hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT && SetCursorForHovered()) return TRUE;
      break;
    case WM_MOUSEMOVE:
      if (!m_trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hwnd, 0};
        m_trackingLeave = TrackMouseEvent(&track) != FALSE;
      }
      if (m_tree) m_tree->OnMouseMove(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    case WM_MOUSELEAVE:
      m_trackingLeave = false;
      if (m_tree) m_tree->OnMouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (m_tree) {
        const int x = GET_X_LPARAM(lparam);
        const int y = GET_Y_LPARAM(lparam);
        if (message == WM_LBUTTONDOWN) {
          m_tree->OnLeftButtonDown(x, y);
        } else {
          m_tree->OnLeftButtonDoubleClick(x, y);
        }
        // A button holds the mouse until release; a caption press has started the system move
        // instead and takes no capture.
        if (m_hwnd && m_tree->Captured()) SetCapture(m_hwnd);
      }
      return 0;
    case WM_LBUTTONUP:
      if (m_tree) {
        // The release ends the press before the capture goes (losing the capture otherwise ends
        // a press without a click). The click may destroy the window (the close button).
        const HWND hwnd = m_hwnd;
        m_tree->OnLeftButtonUp(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (m_tree && m_tree->Captured() && reinterpret_cast<HWND>(lparam) != m_hwnd) {
        // Capture lost to someone else: the press ends without a click.
        m_tree->OnLeftButtonUp(-1, -1);
      }
      return 0;
    case WM_GETOBJECT:
      if (static_cast<LONG>(static_cast<DWORD>(lparam)) == OBJID_CLIENT && m_tree &&
          m_tree->Root()) {
        return AnswerAccessibleObject(wparam);
      }
      break;
    case WM_DESTROY:
      if (m_accessible) DisconnectAccessibleObjects(*m_accessible);
      if (m_tree && m_tree->Host().windowType == "appMain") PostQuitMessage(1);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(m_hwnd, message, wparam, lparam);
}

LRESULT HostWindow::AnswerAccessibleObject(WPARAM wparam) {
  if (!m_accessible) {
    m_accessible = std::make_shared<AccessibleTreeLink>();
    m_accessible->hwnd = m_hwnd;
    m_accessible->root = m_tree->Root();
    m_accessible->names = &Application::Current()->AccessibleNames();
    m_accessible->actionMessage = AccessibleActionMessage();
  }
  const ComPtr<IAccessible> object(CreateAccessibleObject(m_accessible, m_tree->Root()));
  return LresultFromObject(__uuidof(IAccessible), wparam, object.Get());
}

void HostWindow::OnAccessibleChange(const Widget& widget, AccessibleChange change) {
  if (!m_hwnd || !m_tree || !m_tree->Root()) return;
  DWORD event = EVENT_OBJECT_NAMECHANGE;
  switch (change) {
    case AccessibleChange::kName:
      event = EVENT_OBJECT_NAMECHANGE;
      break;
    case AccessibleChange::kValue:
      event = EVENT_OBJECT_VALUECHANGE;
      break;
    case AccessibleChange::kState:
      event = EVENT_OBJECT_STATECHANGE;
      break;
    case AccessibleChange::kShown:
      event = EVENT_OBJECT_SHOW;
      break;
    case AccessibleChange::kHidden:
      event = EVENT_OBJECT_HIDE;
      break;
  }
  NotifyWinEvent(event, m_hwnd, OBJID_CLIENT, EventChildId(*m_tree->Root(), widget));
}

void HostWindow::DoAccessibleAction(int serial) {
  if (!m_tree || !m_tree->Root()) return;
  Widget* widget = WidgetBySerial(*m_tree->Root(), serial);
  if (widget && widget->IsVisibleInTree() && widget->IsEnabledInTree()) widget->OnClick();
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  HostWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->m_hwnd = hwnd;
  } else {
    self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->m_hwnd = nullptr;
    self->m_flushPosted = false;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  // No C++ exception may unwind into the system's dispatcher.
  try {
    return self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    WriteDebugLine("toolkit: a window message handler failed");
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace toolkit
