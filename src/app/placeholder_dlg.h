// The main window until the installer's own controller takes its place: the install page of
// "LAYOUT:XML_MAINWND" with working close, minimise and maximise buttons. It keeps the run mode
// and client type that start-up sets, and tells them to whoever asks with RunModeQueryMessage
// (the window's behaviour does not depend on it).
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/win32/host_window.h"

namespace update {

// wParam kQueryUpdateMode gives m_updateMode, kQueryClientTypeId gives m_clientTypeId.
UINT RunModeQueryMessage();
constexpr WPARAM kQueryUpdateMode = 0;
constexpr WPARAM kQueryClientTypeId = 1;

class PlaceholderDlg : public toolkit::HostWindow {
 public:
  PlaceholderDlg() : HostWindow("LAYOUT:XML_MAINWND") {}

  std::uint32_t m_updateMode = 0;
  std::int32_t m_clientTypeId = 0;

 protected:
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT& result) override;
  bool OnEvent(toolkit::EventArgs& args) override;
};

}  // namespace update
