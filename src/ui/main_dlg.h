// The controller of the program's only window: the install page "window_0" (folder, options,
// agreement, install button) and the progress page "window_1" (banner carousel, status line,
// progress bar). It routes widget commands and window messages to its handlers and owns the
// state the workflow reads and writes. UI thread only; other threads reach it through the
// messages of window_messages.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit/core/widgets.h"
#include "toolkit/win32/host_window.h"
#include "workflow/install_worker.h"

namespace update {

class CMainDlg : public toolkit::HostWindow {
 public:
  CMainDlg();

  // The bar at `percent` (clamped by the bar) and the status line "正在安装 37%" or
  // "正在更新 37%" with the unclamped number. Returns 1.
  LRESULT ShowProgress(int percent);
  // Banner picture id - 600 (600, 601, anything else: 602) and its radio button checked.
  void ShowBanner(int id);
  // The failure display: "下载失败", an empty bar; `failure` is kept for its line.
  void ShowFailure(const Failure& failure);
  const Failure& LastFailure() const { return m_failure; }
  // "重试": the failure display goes and the run starts again from the check.
  void Retry();
  // Leaves the install page for the progress page, starts the banner timer and starts the run
  // (workflow/run.h) on the worker thread.
  void StartWorkflow();
  // The folder dialog; a chosen folder gets "ZorvikClient\" appended.
  void ChooseInstallFolder();
  // The install button follows the agreement check box.
  void OnAgreementToggled();

  // Cleared by a handler that lets its message pass on to the host.
  std::uint32_t m_msgHandled = 0;
  std::uint32_t m_layoutReady = 0;
  std::wstring m_exeDir;  // with a trailing backslash
  toolkit::ProgressBar* m_progress = nullptr;
  toolkit::Widget* m_statusText = nullptr;
  double m_downloadTotal = 0;  // bytes, as last reported
  toolkit::EditBox* m_folderEdit = nullptr;
  std::wstring m_installDir;  // always ends with a backslash
  std::uint32_t m_updateMode = 0;
  std::int32_t m_clientTypeId = 0;
  std::int32_t m_bannerIndex = 0;  // 0 to 2

 protected:
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT& result) override;
  bool OnEvent(toolkit::EventArgs& args) override;

 private:
  LRESULT OnInitDialog();
  LRESULT OnSizeChanged(UINT type);
  LRESULT OnBannerTimer(UINT_PTR id);
  LRESULT OnDownloadProgressMessage(WPARAM wparam, LPARAM lparam);
  LRESULT ReadInstallOptions() const;
  void ShowInstallFolder();
  // Closing while the run goes on cancels it (before its swap; a swap under way and the steps
  // after it complete), hides the window at once and destroys it once the worker is over.
  void Close();
  void OnWorkerFinished();

  InstallWorker m_worker;
  Failure m_failure;  // of the run that failed last
  bool m_closeRequested = false;
};

}  // namespace update
