#include "ui/main_window_events.h"

#include "toolkit/win32/application.h"
#include "ui/window_messages.h"

namespace update {
namespace {

LRESULT SendToMainWindow(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  const toolkit::Application* application = toolkit::Application::Current();
  HWND window = application ? application->GetMainWindow() : nullptr;
  return window ? SendMessageW(window, message, wparam, lparam) : 0;
}

}  // namespace

void MainWindowEvents::ReportProgress(int percent, std::int32_t total) {
  SendToMainWindow(UM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(percent), static_cast<LPARAM>(total));
}

void MainWindowEvents::ShowFailure(const Failure& failure) {
  // Sent, not posted: the failure outlives the call, and the window copies what it shows.
  SendToMainWindow(UM_SHOW_DOWNLOAD_FAILED, 0, reinterpret_cast<LPARAM>(&failure));
}

InstallOptions MainWindowEvents::ReadInstallOptions() {
  const LRESULT options = SendToMainWindow(UM_READ_INSTALL_OPTIONS);
  InstallOptions result;
  result.desktopShortcut = (options & kDesktopShortcutOption) != 0;
  result.autostart = (options & kAutostartOption) != 0;
  return result;
}

void MainWindowEvents::Close() {
  SendToMainWindow(WM_CLOSE);
}

}  // namespace update
