#include "app/placeholder_dlg.h"

namespace update {

UINT RunModeQueryMessage() {
  static const UINT message = RegisterWindowMessageW(L"Update.RunModeQuery");
  return message;
}

bool PlaceholderDlg::ProcessWindowMessage(HWND, UINT message, WPARAM wparam, LPARAM,
                                          LRESULT& result) {
  if (message == WM_INITDIALOG) {
    result = TRUE;
    return true;
  }
  if (message == RunModeQueryMessage()) {
    result = wparam == kQueryUpdateMode ? static_cast<LRESULT>(m_updateMode)
                                        : static_cast<LRESULT>(m_clientTypeId);
    return true;
  }
  return false;
}

bool PlaceholderDlg::OnEvent(toolkit::EventArgs& args) {
  if (args.id != toolkit::kEventCommand) return false;
  if (args.senderName == "btn_close") {
    DestroyWindow(Handle());
    return true;
  }
  if (args.senderName == "btn_min") {
    SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return true;
  }
  if (args.senderName == "btn_max") {
    SendMessageW(Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    return true;
  }
  return false;
}

}  // namespace update
