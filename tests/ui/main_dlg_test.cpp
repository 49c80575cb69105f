// The controller in this process: the install page right after start, the agreement and the
// install button, update mode, the message map, progress and the banner carousel, and the
// requests the worker thread sends.
#include "ui/main_dlg.h"

#include <shlobj.h>

#include <thread>

#include "common/text_convert.h"
#include "main_dlg_fixture.h"
#include "ui/main_window_events.h"
#include "ui/window_messages.h"

namespace update::testing {
namespace {

bool Checked(const toolkit::Widget* widget) {
  return widget && widget->IsChecked();
}

TEST_F(MainDlgTest, InstallPageAfterStartAndTheAgreementGate) {
  Start(0);
  // The folder of 32-bit programs on 64-bit Windows, where every Windows test runs, whichever
  // build this is.
  const std::wstring expected = L"C:\\Program Files (x86)\\ZorvikClient\\";
  EXPECT_EQ(m_dialog.m_installDir, expected);
  EXPECT_EQ(Text("edit_choose_url"), WideToUtf8(expected));
  EXPECT_TRUE(Shown("window_0"));
  EXPECT_FALSE(Shown("window_1"));
  EXPECT_TRUE(Checked(Find("radio_zmkj")));
  EXPECT_FALSE(Checked(Find("radio_auto")));
  EXPECT_TRUE(Checked(Find("radio_xieyi")));
  toolkit::Widget* install = Find("btn_ok_install");
  ASSERT_NE(install, nullptr);
  EXPECT_TRUE(install->IsEnabled());

  ClickOn("radio_xieyi");
  EXPECT_FALSE(Checked(Find("radio_xieyi")));
  EXPECT_FALSE(install->IsEnabled());
  ClickOn("btn_ok_install");  // a disabled button raises nothing
  EXPECT_TRUE(Shown("window_0"));
  EXPECT_FALSE(Shown("window_1"));

  ClickOn("radio_xieyi");
  EXPECT_TRUE(install->IsEnabled());
  ClickOn("btn_ok_install");
  EXPECT_FALSE(Shown("window_0"));
  EXPECT_TRUE(Shown("window_1"));
}

TEST_F(MainDlgTest, UpdateModeIsOnTheProgressPageBeforeTheWindowIsShown) {
  Start(1);
  EXPECT_FALSE(IsWindowVisible(m_hwnd));
  EXPECT_FALSE(Shown("window_0"));
  EXPECT_TRUE(Shown("window_1"));
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.rfind(L'\\') + 1);
  EXPECT_EQ(m_dialog.m_exeDir, folder);
  EXPECT_EQ(m_dialog.m_installDir, folder);
  // No vendor service answers here: the run's check fails at once.
  EXPECT_TRUE(WaitForText("text_pro", "下载失败")) << Text("text_pro");
  EXPECT_EQ(m_dialog.m_progress->GetValue(), 0);
}

TEST_F(MainDlgTest, MessageMapResultsAndWhatItLeavesToTheHost) {
  const struct {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool handled;
    LRESULT result;
  } rows[] = {
      {WM_SIZE, SIZE_RESTORED, MAKELPARAM(840, 580), false, 0},  // before WM_INITDIALOG too
      {WM_CREATE, 0, 0, false, 0},
      {WM_INITDIALOG, 0, 0, true, 0},
      {WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(840, 580), false, 0},
      {WM_TIMER, BANNER_TIMER_ID, 0, false, 0},
      {WM_TIMER, 7, 0, false, 0},
      {UM_DOWNLOAD_PROGRESS, 37, 1000, true, 1},
      {UM_SHOW_DOWNLOAD_FAILED, 0, 0, true, 1},
      {UM_READ_INSTALL_OPTIONS, 0, 0, true, kDesktopShortcutOption},
      {WM_PAINT, 0, 0, false, 0},
  };
  m_hwnd = m_dialog.Create(nullptr, 0, 0, 0, 0);
  ASSERT_NE(m_hwnd, nullptr);
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    LRESULT result = -1;
    EXPECT_EQ(m_dialog.ProcessWindowMessage(m_hwnd, rows[i].message, rows[i].wparam, rows[i].lparam,
                                            result),
              rows[i].handled);
    if (rows[i].handled) {
      EXPECT_EQ(result, rows[i].result);
    }
  }
  // The host still sees WM_SIZE: the widget tree follows the new client size.
  SetWindowPos(m_hwnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Find("window_1")->GetParent()->GetRect().Width(), 700);
  LRESULT result = -1;
  EXPECT_TRUE(m_dialog.ProcessWindowMessage(m_hwnd, WM_CLOSE, 0, 0, result));
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(IsWindow(m_hwnd));
}

TEST_F(MainDlgTest, ProgressTextIsUnclampedAndTheBarClamps) {
  const struct {
    std::uint32_t updateMode;
    int percent;
    LPARAM total;
    int bar;
    const char* text;
    double storedTotal;
  } rows[] = {
      {0, 0, 0, 0, "正在安装 0%", 0},
      {0, 37, 1048576, 37, "正在安装 37%", 1048576},
      {0, 100, 1048576, 100, "正在安装 100%", 1048576},
      {0, 150, 1048576, 100, "正在安装 150%", 1048576},
      {0, -5, static_cast<LPARAM>(static_cast<std::int32_t>(0x80000000u)), 0, "正在安装 -5%",
       -2147483648.0},
      {1, 37, -1, 37, "正在更新 37%", -1},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    Start(rows[i].updateMode);
    EXPECT_EQ(SendMessageW(m_hwnd, UM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(rows[i].percent),
                           rows[i].total),
              1);
    EXPECT_EQ(m_dialog.m_progress->GetValue(), rows[i].bar);
    EXPECT_EQ(Text("text_pro"), rows[i].text);
    EXPECT_EQ(m_dialog.m_downloadTotal, rows[i].storedTotal);
    DestroyWindow(m_hwnd);
    DrainMessages();
  }
}

TEST_F(MainDlgTest, ProgressTextIsLaidOutWhole) {
  Start(0);
  ClickOn("btn_ok_install");
  ASSERT_TRUE(WaitForText("text_pro", "下载失败"));  // the run is over: no vendor service here
  const toolkit::Widget* status = Find("text_pro");
  const int before = status->GetRect().Width();
  SendMessageW(m_hwnd, UM_DOWNLOAD_PROGRESS, 100, 1000);
  DrainMessages();
  // "正在安装 100%" is longer than "下载失败": the line grows with it.
  EXPECT_GT(status->GetRect().Width(), before);
}

TEST_F(MainDlgTest, ProgressBeforeTheWidgetsAreFoundOnlyStoresTheTotal) {
  m_hwnd = m_dialog.Create(nullptr, 0, 0, 0, 0);
  ASSERT_NE(m_hwnd, nullptr);
  EXPECT_EQ(SendMessageW(m_hwnd, UM_DOWNLOAD_PROGRESS, 50, 4096), 1);
  EXPECT_EQ(m_dialog.m_downloadTotal, 4096.0);
  EXPECT_EQ(Text("text_pro"), "正在更新 0%");
  auto* bar = m_dialog.FindChildByClass<toolkit::ProgressBar>("progress");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetValue(), 10);
}

TEST_F(MainDlgTest, WorkerRequestsAreCarriedOutOnTheUiThread) {
  Start(0);
  ClickOn("radio_auto");
  ClickOn("btn_ok_install");
  ASSERT_TRUE(WaitForText("text_pro", "下载失败"));  // the run is over: no vendor service here
  ASSERT_EQ(m_application->GetMainWindow(), m_hwnd);
  const DWORD ui_thread = GetCurrentThreadId();
  InstallOptions options;
  bool done = false;
  std::thread worker([&] {
    MainWindowEvents events;
    events.ReportProgress(42, 123456);
    options = events.ReadInstallOptions();
    events.ShowFailure({Reason::kDiskFull, 1 << 20});
    done = true;
    PostThreadMessageW(ui_thread, WM_NULL, 0, 0);
  });
  // Sent messages are served while this thread waits for messages.
  MSG msg;
  while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  worker.join();
  EXPECT_EQ(m_dialog.m_downloadTotal, 123456.0);
  EXPECT_TRUE(options.desktopShortcut);
  EXPECT_TRUE(options.autostart);
  EXPECT_EQ(Text("text_pro"), "下载失败");
  EXPECT_EQ(m_dialog.m_progress->GetValue(), 0);
  EXPECT_EQ(m_dialog.LastFailure().reason, Reason::kDiskFull);
}

TEST_F(MainDlgTest, BannerCarouselTurnsAndFollowsItsRadioButtons) {
  Start(1);
  KillTimer(m_hwnd, BANNER_TIMER_ID);  // the test turns it
  // After each step: the picture in front (0 to 2) and the radio button checked.
  const struct {
    const char* step;
    int picture;
  } rows[] = {
      {"tick", 1},           {"tick", 2}, {"tick", 0},
      {"mygame_radio_2", 2}, {"tick", 0}, {"mygame_radio_1", 1},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    if (std::string(rows[i].step) == "tick") {
      SendMessageW(m_hwnd, WM_TIMER, BANNER_TIMER_ID, 0);
    } else {
      ClickOn(rows[i].step);
    }
    EXPECT_EQ(m_dialog.m_bannerIndex, rows[i].picture);
    // Exactly the one picture of the progress page in view, so that what follows the pictures
    // (the close button, say) keeps its child number for a screen reader.
    toolkit::Widget* page = Find("window_1");
    ASSERT_NE(page, nullptr);
    for (int picture = 0; picture < 3; ++picture) {
      const toolkit::Widget* shown = page->FindChildByName("img_" + std::to_string(picture));
      ASSERT_NE(shown, nullptr);
      EXPECT_EQ(shown->IsVisible(), picture == rows[i].picture) << picture;
    }
    for (int radio = 0; radio < 3; ++radio) {
      const std::string name = "mygame_radio_" + std::to_string(radio);
      EXPECT_EQ(Checked(Find(name.c_str())), radio == rows[i].picture) << name;
    }
  }
}

}  // namespace
}  // namespace update::testing
