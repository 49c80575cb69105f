// A CMainDlg made in this process from the UI package linked into the test program, with the
// toolkit started as the program starts it. The window stays hidden unless a test shows it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "toolkit/win32/application.h"
#include "ui/main_dlg.h"

namespace update::testing {

// Exposes the message map, so that a test can see what it leaves to the host.
class MainDlgProbe : public CMainDlg {
 public:
  using CMainDlg::ProcessWindowMessage;
};

class MainDlgTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates the window in the given mode and sends it WM_INITDIALOG, as start-up does.
  void Start(std::uint32_t update_mode);
  // A left click at the centre of the named widget.
  void ClickOn(const char* name);
  // Runs what is waiting in this thread's queue.
  static void DrainMessages();
  // Runs this thread's messages until the named widget shows `text`, for up to 30 s; false when
  // it never does. The run's steps are on the worker thread and reach the window by messages.
  bool WaitForText(const char* name, const std::string& text);

  toolkit::Widget* Find(const char* name) const { return m_dialog.FindChildByName(name); }
  bool Shown(const char* name) const {
    const toolkit::Widget* widget = Find(name);
    return widget && widget->IsVisibleInTree();
  }
  std::string Text(const char* name) const {
    const toolkit::Widget* widget = Find(name);
    return widget ? widget->GetText() : "(missing)";
  }

  std::unique_ptr<toolkit::ComponentManager> m_manager;
  std::unique_ptr<toolkit::Application> m_application;
  MainDlgProbe m_dialog;
  HWND m_hwnd = nullptr;
};

}  // namespace update::testing
