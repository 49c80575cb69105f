// The window messages that reach the main window from outside the UI thread, and the banner
// timer. Each request is sent (never posted) to the application's main window, so its handler
// runs on the UI thread while the sender waits.
#pragma once

#include <windows.h>

namespace update {

// The download's progress: wParam the percent done (truncated), lParam the package's total size
// in bytes, read as a signed 32-bit number. Result 1.
constexpr UINT UM_DOWNLOAD_PROGRESS = 0x07E2;  // WM_USER + 994
// Shows the download-failed display; LPARAM points at the run's Failure, or is 0 for a
// request from another process, whose WPARAM is then a reason's number (or 0: no reason line).
// Result 1.
constexpr UINT UM_SHOW_DOWNLOAD_FAILED = 0x07E3;
// Reads the two install options: the result holds kDesktopShortcutOption when "radio_zmkj" is
// checked and kAutostartOption when "radio_auto" is.
constexpr UINT UM_READ_INSTALL_OPTIONS = 0x07E4;
constexpr LRESULT kDesktopShortcutOption = 0x1;
constexpr LRESULT kAutostartOption = 0x2;
// Posted by the install worker when it has ended: the window joins it (and closes if asked to).
constexpr UINT UM_WORKER_FINISHED = 0x07E5;

// The banner carousel's timer on the main window.
constexpr UINT_PTR BANNER_TIMER_ID = 100;
constexpr UINT kBannerIntervalMs = 1200;

// Answered by the main window for the window tests: wParam kQueryUpdateMode gives the update-mode
// flag, kQueryClientTypeId the client type.
inline UINT RunModeQueryMessage() {
  static const UINT message = RegisterWindowMessageW(L"Update.RunModeQuery");
  return message;
}
constexpr WPARAM kQueryUpdateMode = 0;
constexpr WPARAM kQueryClientTypeId = 1;

}  // namespace update
