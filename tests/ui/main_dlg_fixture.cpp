#include "main_dlg_fixture.h"

#include <ole2.h>

#include "toolkit/win32/module_resource_provider.h"
#include "uires/accessible_names.h"
#include "uires/main_window_ids.h"

namespace update::testing {

void MainDlgTest::SetUp() {
  OleInitialize(nullptr);
  m_manager = std::make_unique<toolkit::ComponentManager>(toolkit::kGdiplusDecoderName);
  ASSERT_TRUE(m_manager->GraphicsStarted());
  auto render = m_manager->CreateRenderFactory();
  render->SetImageDecoderFactory(m_manager->CreateImageDecoderFactory());
  m_application =
      std::make_unique<toolkit::Application>(render, GetModuleHandleW(nullptr), L"UIHOSTWND_TEST");
  const auto& rows = update::MainWindowNamedIds();
  ASSERT_TRUE(m_application->RegisterNamedIds(rows.data(), rows.size(), true));
  ASSERT_TRUE(m_application->AddResourceProvider(
      std::make_shared<toolkit::ModuleResourceProvider>(GetModuleHandleW(nullptr)),
      "uidef:xml_init"));
  m_application->SetAccessibleNames(MainWindowAccessibleNames());
}

void MainDlgTest::TearDown() {
  if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
  DrainMessages();
  m_application.reset();
  m_manager.reset();
  OleUninitialize();
}

void MainDlgTest::Start(std::uint32_t update_mode) {
  m_dialog.m_updateMode = update_mode;
  m_dialog.m_clientTypeId = update_mode ? 3 : 0;
  m_hwnd = m_dialog.Create(nullptr, 0, 0, 0, 0);
  ASSERT_NE(m_hwnd, nullptr);
  m_application->SetMainWindow(m_hwnd);  // as the message loop does: the run's messages go here
  SendMessageW(m_hwnd, WM_INITDIALOG, 0, 0);
  DrainMessages();
}

bool MainDlgTest::WaitForText(const char* name, const std::string& text) {
  const DWORD start = GetTickCount();
  for (;;) {
    DrainMessages();
    if (Text(name) == text) return true;
    if (GetTickCount() - start > 30000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
}

void MainDlgTest::ClickOn(const char* name) {
  const toolkit::Widget* widget = Find(name);
  ASSERT_NE(widget, nullptr) << name;
  const toolkit::Rect& rect = widget->GetRect();
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, at);
  SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(m_hwnd, WM_LBUTTONUP, 0, at);
  DrainMessages();
}

void MainDlgTest::DrainMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) break;
    DispatchMessageW(&msg);
  }
}

}  // namespace update::testing
