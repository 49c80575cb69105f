// window_probe: reads back the state of a running Update.exe for the window tests.
//   window_probe wait    waits up to 30 s for the visible main window, then prints its state
//   window_probe state   prints the state of the main window now
//   window_probe close   sends WM_CLOSE to the main window
//   window_probe progress PERCENT TOTAL   sends the download's progress, as the worker does
//   window_probe failed  asks for the download-failed display, as the worker does
// State line: mode=M type=T left=L top=T width=W height=H layered=0|1 iconic=0|1
//             work=L,T,R,B (the work area of the window's monitor)
// Exit code 0, or 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "ui/window_messages.h"

namespace {

BOOL CALLBACK TakeVisibleHostWindow(HWND window, LPARAM param) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (wcscmp(name, L"UIHOSTWND") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// The visible window of the toolkit's host class (a closing program's window may linger hidden).
HWND FindMainWindow() {
  HWND found = nullptr;
  EnumWindows(TakeVisibleHostWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

int PrintState(HWND window) {
  // Answered by the main window: wParam 0 the update-mode flag, 1 the client type.
  const UINT query = update::RunModeQueryMessage();
  DWORD_PTR mode = 0;
  DWORD_PTR type = 0;
  if (!SendMessageTimeoutW(window, query, 0, 0, SMTO_ABORTIFHUNG, 10000, &mode) ||
      !SendMessageTimeoutW(window, query, 1, 0, SMTO_ABORTIFHUNG, 10000, &type)) {
    std::printf("no answer from the window\n");
    return 1;
  }
  RECT rect;
  GetWindowRect(window, &rect);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  std::printf(
      "mode=%d type=%d left=%ld top=%ld width=%ld height=%ld layered=%d iconic=%d "
      "work=%ld,%ld,%ld,%ld\n",
      static_cast<int>(mode), static_cast<int>(static_cast<LRESULT>(type)), rect.left, rect.top,
      rect.right - rect.left, rect.bottom - rect.top,
      (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED) ? 1 : 0, IsIconic(window) ? 1 : 0,
      work.left, work.top, work.right, work.bottom);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* command = argc > 1 ? argv[1] : "state";
  if (std::strcmp(command, "wait") == 0) {
    const DWORD start = GetTickCount();
    while (FindMainWindow() == nullptr) {
      if (GetTickCount() - start > 30000) {
        std::printf("no visible main window after 30 s\n");
        return 1;
      }
      Sleep(50);  // polling another process's window: there is nothing to wait on
    }
  }
  HWND window = FindMainWindow();
  if (window == nullptr) window = FindWindowW(L"UIHOSTWND", nullptr);
  if (window == nullptr) {
    std::printf("no main window\n");
    return 1;
  }
  if (std::strcmp(command, "close") == 0) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (std::strcmp(command, "progress") == 0 && argc > 3) {
    const WPARAM percent = static_cast<WPARAM>(std::atoi(argv[2]));
    const LPARAM total = static_cast<LPARAM>(std::atol(argv[3]));
    return SendMessageW(window, update::UM_DOWNLOAD_PROGRESS, percent, total) == 1 ? 0 : 1;
  }
  if (std::strcmp(command, "failed") == 0) {
    const WPARAM reason = argc > 2 ? static_cast<WPARAM>(std::atoi(argv[2])) : 0;
    return SendMessageW(window, update::UM_SHOW_DOWNLOAD_FAILED, reason, 0) == 1 ? 0 : 1;
  }
  return PrintState(window);
}
