// A host window made in this process from the UI package linked into the test program: creation
// from the layout, the layered back buffer's pixels, mouse routing to the event map, timers in the
// message map, frames on the screen after changes, the main window, and the end of the message
// loop.
#include "toolkit/win32/host_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/memory_resource_provider.h"
#include "toolkit/core/widgets.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/module_resource_provider.h"
#include "uires/main_window_ids.h"

namespace {

constexpr UINT_PTR kTestTimer = 100;
constexpr UINT_PTR kGiveUpTimer = 101;
// Sent by another thread, as the download worker sends its progress.
constexpr UINT kReportMessage = WM_APP + 7;

// Points of the progress page: the banner picture and the white lower half.
constexpr int kBannerX = 420, kBannerY = 100;
constexpr int kLowerHalfX = 100, kLowerHalfY = 560;

using toolkit::Rect;

class RecordingHost : public toolkit::HostWindow {
 public:
  explicit RecordingHost(std::string layout = "LAYOUT:XML_MAINWND")
      : HostWindow(std::move(layout)) {}
  std::vector<std::string> commands;
  int timerTicks = 0;
  bool gaveUp = false;
  std::vector<WPARAM> reports;

  // Each frame as it went to the screen: its area and two of its pixels.
  struct Frame {
    Rect area;
    std::uint32_t banner;
    std::uint32_t lowerHalf;
  };
  std::vector<Frame> frames;

 protected:
  void OnFramePresented(const Rect& area) override {
    frames.push_back({area, PixelAt(kBannerX, kBannerY), PixelAt(kLowerHalfX, kLowerHalfY)});
  }

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM,
                            LRESULT& result) override {
    if (message == kReportMessage) {
      reports.push_back(wparam);
      result = 1;
      return true;
    }
    if (message != WM_TIMER) return false;
    if (wparam == kTestTimer) ++timerTicks;
    if (wparam == kGiveUpTimer) gaveUp = true;
    KillTimer(hwnd, wparam);
    result = 0;
    return true;
  }
  bool OnEvent(toolkit::EventArgs& args) override {
    if (args.id != toolkit::kEventCommand) return false;
    commands.push_back(args.senderName + "#" + std::to_string(args.senderId));
    return true;
  }
};

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_manager = std::make_unique<toolkit::ComponentManager>(toolkit::kGdiplusDecoderName);
    ASSERT_TRUE(m_manager->GraphicsStarted());
    auto render = m_manager->CreateRenderFactory();
    render->SetImageDecoderFactory(m_manager->CreateImageDecoderFactory());
    m_application = std::make_unique<toolkit::Application>(render, GetModuleHandleW(nullptr),
                                                           L"UIHOSTWND_TEST");
    const auto& rows = update::MainWindowNamedIds();
    ASSERT_TRUE(m_application->RegisterNamedIds(rows.data(), rows.size(), true));
    ASSERT_TRUE(m_application->AddResourceProvider(
        std::make_shared<toolkit::ModuleResourceProvider>(GetModuleHandleW(nullptr)),
        "uidef:xml_init"));
    m_hwnd = m_host.Create(nullptr, 0, 0, 0, 0);
    ASSERT_NE(m_hwnd, nullptr);
  }

  void TearDown() override {
    if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
  void Click(int x, int y) {
    SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, At(x, y));
    SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(x, y));
  }
  // Lets posted repaints run.
  void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      DispatchMessageW(&msg);
    }
  }

  // Shows the progress page as the program does when the workflow starts, and lets the posted
  // flush run.
  void ShowProgressPage() {
    m_host.FindChildByName("window_0")->SetVisible(false, false);
    m_host.FindChildByName("window_1")->SetVisible(true, true);
    DrainMessages();
  }

  // Non-white pixels (text) in `rect` of the back buffer.
  int InkIn(const Rect& rect) {
    int ink = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
      for (int x = rect.left; x < rect.right; ++x) {
        if ((m_host.PixelAt(x, y) & 0xFF) < 0xC0) ++ink;
      }
    }
    return ink;
  }

  std::unique_ptr<toolkit::ComponentManager> m_manager;
  std::unique_ptr<toolkit::Application> m_application;
  RecordingHost m_host;
  HWND m_hwnd = nullptr;
};

bool IsOpaqueAndNotBlack(std::uint32_t bgra) {
  return (bgra >> 24) == 0xFF && (bgra & 0xFFFFFF) != 0;
}

TEST_F(HostWindowTest, TakesSizeFrameAndAlphaModeFromTheLayout) {
  RECT rect;
  GetWindowRect(m_hwnd, &rect);
  EXPECT_EQ(rect.right - rect.left, 840);
  EXPECT_EQ(rect.bottom - rect.top, 580);
  RECT client;
  GetClientRect(m_hwnd, &client);
  EXPECT_EQ(client.right, 840);
  EXPECT_EQ(client.bottom, 580);
  EXPECT_TRUE(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  const toolkit::HostFrameState frame = m_host.GetFrameState();
  EXPECT_TRUE(frame.hasSizingFrame);
  EXPECT_TRUE(frame.hasMaximiseBox);
  EXPECT_FALSE(frame.maximised);
  // Creating again gives the same window.
  EXPECT_EQ(m_host.Create(nullptr, 0, 0, 0, 0), m_hwnd);
  EXPECT_EQ(m_application->Definition().defaultFont.style.Height(), 15);
}

TEST_F(HostWindowTest, PaintsOpaquePagesWithPremultipliedText) {
  const struct {
    int x, y;
    std::uint32_t bgra;
  } rows[] = {
      {0, 0, 0xFF000000},     {839, 579, 0xFF000000}, {0, 300, 0xFF000000},  // the black frame
      {100, 560, 0xFFFFFFFF}, {800, 460, 0xFFFFFFFF},                        // the white lower half
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(m_host.PixelAt(rows[i].x, rows[i].y), rows[i].bgra);
  }
  // The banner is a picture: opaque and not black.
  const std::uint32_t banner = m_host.PixelAt(420, 100);
  EXPECT_EQ(banner >> 24, 0xFFu);
  EXPECT_NE(banner & 0xFFFFFF, 0u);
  // "选择路径" is drawn (dark pixels) and every pixel of it stays opaque: text must not clobber
  // the alpha channel of the layered window.
  int dark = 0;
  for (int y = 369; y < 387; ++y) {
    for (int x = 42; x < 98; ++x) {
      const std::uint32_t pixel = m_host.PixelAt(x, y);
      ASSERT_EQ(pixel >> 24, 0xFFu) << x << "," << y;
      if ((pixel & 0xFF) < 0x80) ++dark;
    }
  }
  EXPECT_GT(dark, 20);
}

TEST_F(HostWindowTest, MouseRoutesHoverPressAndClicks) {
  const std::uint32_t normal = m_host.PixelAt(340, 511);
  SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, At(420, 511));
  DrainMessages();
  const std::uint32_t hover = m_host.PixelAt(340, 511);
  EXPECT_NE(hover, normal);
  SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(420, 511));
  DrainMessages();
  EXPECT_EQ(GetCapture(), m_hwnd);
  EXPECT_NE(m_host.PixelAt(340, 511), hover);
  SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(420, 511));
  EXPECT_NE(GetCapture(), m_hwnd);
  ASSERT_EQ(m_host.commands.size(), 1u);
  EXPECT_EQ(m_host.commands[0], "btn_ok_install#65546");

  // A check box flips before its command reaches the map.
  auto* autostart = m_host.FindChildByClass<toolkit::CheckBox>("radio_auto");
  ASSERT_NE(autostart, nullptr);
  EXPECT_FALSE(autostart->IsChecked());
  const toolkit::Rect box = autostart->BoxRect();
  Click(box.left + 3, box.top + 3);
  EXPECT_TRUE(autostart->IsChecked());
  ASSERT_EQ(m_host.commands.size(), 2u);
  EXPECT_EQ(m_host.commands[1], "radio_auto#65543");

  // Released outside the pressed button: no click.
  SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(420, 511));
  SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(100, 560));
  EXPECT_EQ(m_host.commands.size(), 2u);
}

TEST_F(HostWindowTest, TimersArriveInTheMessageMap) {
  ASSERT_NE(SetTimer(m_hwnd, kTestTimer, 10, nullptr), 0u);
  ASSERT_NE(SetTimer(m_hwnd, kGiveUpTimer, 10000, nullptr), 0u);
  MSG msg;
  while (m_host.timerTicks == 0 && !m_host.gaveUp && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }
  KillTimer(m_hwnd, kGiveUpTimer);
  EXPECT_EQ(m_host.timerTicks, 1);
}

TEST_F(HostWindowTest, DestroyingTheMainWindowEndsTheLoopWithCode1) {
  PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(m_application->Run(m_hwnd), 1);
  EXPECT_FALSE(IsWindow(m_hwnd));
  EXPECT_EQ(m_host.Handle(), nullptr);
  EXPECT_EQ(m_application->GetMainWindow(), m_hwnd);
}

TEST_F(HostWindowTest, LoopReturnsTheQuitCodeAndDestroysTheMainWindow) {
  PostQuitMessage(7);
  EXPECT_EQ(m_application->Run(m_hwnd), 7);
  EXPECT_FALSE(IsWindow(m_hwnd));
}

TEST_F(HostWindowTest, PageSwitchShowsOneFrameLaidOut) {
  DrainMessages();
  m_host.frames.clear();
  m_host.FindChildByName("window_0")->SetVisible(false, false);
  EXPECT_TRUE(m_host.frames.empty());
  m_host.FindChildByName("window_1")->SetVisible(true, true);
  // One frame, at once, and it is the progress page: the banner picture and the white lower half,
  // never the black background of a page not laid out yet.
  ASSERT_EQ(m_host.frames.size(), 1u);
  EXPECT_EQ(m_host.frames[0].area, (Rect{1, 1, 839, 579}));
  EXPECT_TRUE(IsOpaqueAndNotBlack(m_host.frames[0].banner)) << std::hex << m_host.frames[0].banner;
  EXPECT_EQ(m_host.frames[0].lowerHalf, 0xFFFFFFFFu);
  // The flush posted by the hiding finds nothing left to do.
  DrainMessages();
  EXPECT_EQ(m_host.frames.size(), 1u);
}

TEST_F(HostWindowTest, ShowingPresentsTheWholePageBeforeShowWindowReturns) {
  // Each row: whether the page switch still waits (not yet painted) when the window is shown.
  const bool rows[] = {false, true};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    ShowWindow(m_hwnd, SW_HIDE);
    DrainMessages();
    m_host.FindChildByName("window_0")->SetVisible(false, false);
    m_host.FindChildByName("window_1")->SetVisible(true, !rows[i]);
    m_host.frames.clear();
    ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    // No message has been dispatched yet: the system shows the window with this frame.
    ASSERT_FALSE(m_host.frames.empty());
    const RecordingHost::Frame& last = m_host.frames.back();
    EXPECT_EQ(last.area, (Rect{0, 0, 840, 580}));
    EXPECT_TRUE(IsOpaqueAndNotBlack(last.banner)) << std::hex << last.banner;
    EXPECT_EQ(last.lowerHalf, 0xFFFFFFFFu);
  }
}

TEST_F(HostWindowTest, LongerTextIsLaidOutAndDrawnWhole) {
  ShowProgressPage();
  toolkit::Widget* status = m_host.FindChildByName("text_pro");
  ASSERT_NE(status, nullptr);
  const struct {
    const char* text;
  } rows[] = {{"正在安装 100%"}, {"正在更新 150%"}, {"正在安装 -5%"}, {"下载失败"}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const Rect before = status->GetRect();
    status->SetText(rows[i].text);
    DrainMessages();
    const Rect after = status->GetRect();
    // The real font's width, not the width of the text before.
    const toolkit::Size measured =
        m_application->Measurer().MeasureText(rows[i].text, *status->GetFont());
    EXPECT_EQ(after.Width(), measured.width);
    EXPECT_EQ(after.left, before.left);
    // Drawn whole: ink up to the last character, none beyond the rectangle.
    const int last_column = std::max(after.right - 8, after.left);
    EXPECT_GT(InkIn({last_column, after.top, after.right, after.bottom}), 0);
    EXPECT_EQ(
        InkIn({after.right, after.top, std::max(before.right, after.right) + 20, after.bottom}), 0);
  }
}

TEST_F(HostWindowTest, ProgressStepPresentsNoBanner) {
  ShowProgressPage();
  auto* bar = m_host.FindChildByClass<toolkit::ProgressBar>("progress");
  toolkit::Widget* status = m_host.FindChildByName("text_pro");
  ASSERT_NE(bar, nullptr);
  ASSERT_NE(status, nullptr);
  const Rect lower = m_host.FindChildByName("window_main")->GetRect();
  const struct {
    int value;
    const char* text;
  } rows[] = {
      {0, "正在安装 0%"}, {37, "正在安装 37%"}, {100, "正在安装 100%"}, {150, "正在更新 150%"}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    m_host.frames.clear();
    bar->SetValue(rows[i].value);
    status->SetText(rows[i].text);
    DrainMessages();
    ASSERT_EQ(m_host.frames.size(), 1u);  // the two changes share one frame
    EXPECT_EQ(m_host.frames[0].area.Intersected(lower), m_host.frames[0].area);
  }
}

TEST_F(HostWindowTest, MainWindowIsKnownFromCreation) {
  // Before any message loop runs: a report sent from another thread to the main window arrives.
  ASSERT_EQ(m_application->GetMainWindow(), m_hwnd);
  std::thread worker(
      [this] { SendMessageW(m_application->GetMainWindow(), kReportMessage, 42, 0); });
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (m_host.reports.empty() && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    DrainMessages();
  }
  worker.join();
  ASSERT_EQ(m_host.reports.size(), 1u);
  EXPECT_EQ(m_host.reports[0], 42u);

  // Only the first "appMain" host becomes the main window, and only while it lives; other hosts
  // never do.
  auto plain_layout = std::make_shared<toolkit_test::MemoryResourceProvider>();
  plain_layout->Add("LAYOUT:PLAIN", "<host width=\"200\" height=\"100\"><root/></host>");
  ASSERT_TRUE(m_application->AddResourceProvider(plain_layout, "uidef:xml_init"));
  RecordingHost plain("LAYOUT:PLAIN");
  ASSERT_NE(plain.Create(nullptr, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(m_application->GetMainWindow(), m_hwnd);
  RecordingHost second;
  const HWND second_window = second.Create(nullptr, 0, 0, 0, 0);
  ASSERT_NE(second_window, nullptr);
  EXPECT_EQ(m_application->GetMainWindow(), m_hwnd);
  DestroyWindow(m_hwnd);
  m_hwnd = nullptr;
  RecordingHost third;
  const HWND third_window = third.Create(nullptr, 0, 0, 0, 0);
  ASSERT_NE(third_window, nullptr);
  EXPECT_EQ(m_application->GetMainWindow(), third_window);
}

TEST_F(HostWindowTest, CreationFailsWhenTheLayoutIsMissing) {
  class Missing : public toolkit::HostWindow {
   public:
    Missing() : HostWindow("LAYOUT:NO_SUCH_LAYOUT") {}
  } missing;
  EXPECT_EQ(missing.Create(nullptr, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(missing.Handle(), nullptr);
}

}  // namespace
