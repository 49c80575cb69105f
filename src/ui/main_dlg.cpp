#include "ui/main_dlg.h"

#include <shlobj.h>

#include <cstdio>
#include <memory>

#include "common/text_convert.h"
#include "ui/install_folder.h"
#include "ui/main_window_events.h"
#include "ui/window_messages.h"

namespace update {
namespace {

constexpr int kFirstBannerId = 600;
constexpr int kBannerCount = 3;
constexpr UINT kBrowseFlags = 0x245;  // file-system folders, status text, new style, no new folder

struct ItemListDeleter {
  void operator()(ITEMIDLIST* items) const { CoTaskMemFree(items); }
};

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// The program's own folder: its path cut right after the last backslash.
std::wstring ProgramFolder() {
  std::wstring folder = ProgramPath();
  folder.resize(folder.rfind(L'\\') + 1);  // npos + 1 is 0: no backslash leaves nothing
  return folder;
}

std::wstring DefaultInstallFolder() {
  wchar_t program_files[MAX_PATH] = {};
  // The folder for 32-bit programs, as the 32-bit program is offered it under WoW64 ("Program
  // Files (x86)" on 64-bit Windows, "Program Files" on 32-bit Windows), whatever the build.
  SHGetSpecialFolderPathW(nullptr, program_files, CSIDL_PROGRAM_FILESX86, FALSE);
  return InstallFolderIn(program_files).value_or(std::wstring());
}

void Show(toolkit::Widget* widget, bool visible, bool redraw_now) {
  if (widget) widget->SetVisible(visible, redraw_now);
}

}  // namespace

CMainDlg::CMainDlg() : HostWindow("LAYOUT:XML_MAINWND") {}

bool CMainDlg::ProcessWindowMessage(HWND, UINT message, WPARAM wparam, LPARAM lparam,
                                    LRESULT& result) {
  // A handler may cause messages of its own (DestroyWindow sends WM_DESTROY): the flag of the
  // outer message is kept across them.
  const std::uint32_t outer_handled = m_msgHandled;
  m_msgHandled = 1;
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      break;
    case WM_CLOSE:
      Close();
      result = 0;
      break;
    case WM_DESTROY:
      m_worker.Cancel();
      m_msgHandled = 0;
      break;
    case UM_WORKER_FINISHED:
      OnWorkerFinished();
      result = 0;
      break;
    case WM_SIZE:
      result = OnSizeChanged(static_cast<UINT>(wparam));
      break;
    case WM_TIMER:
      result = OnBannerTimer(wparam);
      break;
    case UM_DOWNLOAD_PROGRESS:
      result = OnDownloadProgressMessage(wparam, lparam);
      break;
    case UM_SHOW_DOWNLOAD_FAILED:
      ShowFailure(lparam ? *reinterpret_cast<const Failure*>(lparam)
                         : Failure(static_cast<Reason>(static_cast<int>(wparam))));
      result = 1;
      break;
    case UM_READ_INSTALL_OPTIONS:
      result = ReadInstallOptions();
      break;
    default:
      if (message == RunModeQueryMessage()) {
        result = wparam == kQueryUpdateMode ? static_cast<LRESULT>(m_updateMode)
                                            : static_cast<LRESULT>(m_clientTypeId);
      } else {
        m_msgHandled = 0;
      }
  }
  const bool handled = m_msgHandled != 0;
  m_msgHandled = outer_handled;
  return handled;
}

bool CMainDlg::OnEvent(toolkit::EventArgs& args) {
  if (args.id != toolkit::kEventCommand) return false;
  const std::string& name = args.senderName;
  if (name == "btn_close") {
    Close();
  } else if (name == "btn_min") {
    SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == "btn_max") {
    SendMessageW(Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == "btn_restore") {
    SendMessageW(Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (name == "btn_choose_changedir") {
    ChooseInstallFolder();
  } else if (name == "btn_ok_install") {
    StartWorkflow();
  } else if (name == "btn_retry") {
    Retry();
  } else if (name == "radio_xieyi") {
    OnAgreementToggled();
  } else if (args.senderId >= kFirstBannerId && args.senderId < kFirstBannerId + kBannerCount) {
    ShowBanner(args.senderId);
  } else {
    return false;
  }
  return true;
}

LRESULT CMainDlg::OnInitDialog() {
  m_layoutReady = 1;
  m_progress = FindChildByClass<toolkit::ProgressBar>("progress");
  m_statusText = FindChildByName("text_pro");
  m_exeDir = ProgramFolder();
  m_folderEdit = FindChildByClass<toolkit::EditBox>("edit_choose_url");
  if (m_updateMode == 0) {
    m_installDir = DefaultInstallFolder();
    ShowInstallFolder();
  } else {
    m_installDir = m_exeDir;
    StartWorkflow();
  }
  return 0;
}

LRESULT CMainDlg::OnSizeChanged(UINT type) {
  m_msgHandled = 0;
  if (!m_layoutReady) return 0;
  toolkit::Widget* maximise = FindChildByName("btn_max");
  toolkit::Widget* restore = FindChildByName("btn_restore");
  if (!maximise || !restore) return 0;
  if (type == SIZE_MAXIMIZED) {
    restore->SetVisible(true, false);
    maximise->SetVisible(false, false);
  } else if (type == SIZE_RESTORED) {
    restore->SetVisible(false, false);
    maximise->SetVisible(true, false);
  }
  return 0;
}

LRESULT CMainDlg::OnBannerTimer(UINT_PTR id) {
  m_msgHandled = 0;
  if (id != BANNER_TIMER_ID) return 0;
  m_bannerIndex = (m_bannerIndex + 1) % kBannerCount;
  ShowBanner(kFirstBannerId + m_bannerIndex);
  return 0;
}

LRESULT CMainDlg::OnDownloadProgressMessage(WPARAM wparam, LPARAM lparam) {
  m_downloadTotal = static_cast<double>(static_cast<std::int32_t>(lparam));
  if (!m_progress) return 1;
  return ShowProgress(static_cast<std::int32_t>(wparam));
}

LRESULT CMainDlg::ShowProgress(int percent) {
  if (m_progress) m_progress->SetValue(percent);
  const char* mode_word = m_updateMode == 1 ? "正在更新" : "正在安装";
  if (m_statusText)
    m_statusText->SetText(std::string(mode_word) + " " + std::to_string(percent) + "%");
  return 1;
}

void CMainDlg::ShowBanner(int id) {
  // The progress page's own pictures: the install page has an "img_0" of its own, and one
  // picture in view at a time keeps the place of every element after them the same for a
  // screen reader, whose child numbers count only what is in view.
  toolkit::Widget* page = FindChildByName("window_1");
  const auto picture = [page](const char* name) {
    return page ? page->FindChildByName(name) : nullptr;
  };
  toolkit::Widget* pictures[kBannerCount] = {picture("img_0"), picture("img_1"), picture("img_2")};
  m_bannerIndex = id == kFirstBannerId ? 0 : id == kFirstBannerId + 1 ? 1 : 2;
  // The hidden ones first, so that the one redraw shows the finished change.
  for (int index = 0; index < kBannerCount; ++index) {
    if (index != m_bannerIndex) Show(pictures[index], false, false);
  }
  Show(pictures[m_bannerIndex], true, true);
  const std::string radio_name = "mygame_radio_" + std::to_string(m_bannerIndex);
  if (auto* radio = FindChildByClass<toolkit::RadioButton>(radio_name)) radio->SetCheck(true);
}

void CMainDlg::ShowFailure(const Failure& failure) {
  if (m_statusText) m_statusText->SetText("下载失败");
  if (m_progress) m_progress->SetValue(0);
  m_failure = failure;
  // Without a reason (a request from outside the run) the display is the status and the bar.
  if (toolkit::Widget* reason = FindChildByName("text_reason")) {
    if (failure) reason->SetText(PageLine(failure));
    Show(reason, static_cast<bool>(failure), true);
  }
}

void CMainDlg::Retry() {
  Show(FindChildByName("btn_retry"), false, false);
  Show(FindChildByName("text_reason"), false, false);
  m_failure = Failure();
  ShowProgress(0);
  StartWorkflow();
}

void CMainDlg::StartWorkflow() {
  Show(FindChildByName("window_0"), false, false);
  Show(FindChildByName("window_1"), true, true);
  SetTimer(Handle(), BANNER_TIMER_ID, kBannerIntervalMs, nullptr);
  InstallJob request;
  request.installDir = m_installDir;
  request.selfPath = ProgramPath();
  request.updateMode = m_updateMode != 0;
  request.clientTypeId = m_clientTypeId;
  const HWND window = Handle();
  m_worker.Start(std::move(request), std::make_unique<MainWindowEvents>(),
                 [window] { PostMessageW(window, UM_WORKER_FINISHED, 0, 0); });
}

void CMainDlg::Close() {
  if (!m_worker.Running()) {
    DestroyWindow(Handle());
    return;
  }
  m_closeRequested = true;
  m_worker.Cancel();
  ShowWindow(Handle(), SW_HIDE);
}

void CMainDlg::OnWorkerFinished() {
  m_worker.Join();
  if (m_closeRequested) {
    DestroyWindow(Handle());
    return;
  }
  // Once the failed run's way out is over, a retry where one can help: the run again from the
  // check, in this window and mode.
  const Failure& failure = m_worker.Outcome().failure;
  if (m_worker.Outcome().result == RunResult::kFailed && InfoOf(failure.reason).retryHelps) {
    Show(FindChildByName("btn_retry"), true, true);
  }
}

void CMainDlg::ChooseInstallFolder() {
  wchar_t display_name[MAX_PATH] = {};
  BROWSEINFOW browse = {};
  browse.hwndOwner = Handle();
  browse.pszDisplayName = display_name;
  browse.lpszTitle = L"请选择安装目录";
  browse.ulFlags = kBrowseFlags;
  const std::unique_ptr<ITEMIDLIST, ItemListDeleter> item(SHBrowseForFolderW(&browse));
  wchar_t path[MAX_PATH] = {};
  if (!item || !SHGetPathFromIDListW(item.get(), path)) return;  // cancelled: no error
  std::optional<std::wstring> folder = InstallFolderIn(path);
  if (!folder) {
    wchar_t title[128] = {};
    GetWindowTextW(Handle(), title, 128);
    MessageBoxW(Handle(), L"无效的目录，请重新选择", title, MB_OK | MB_ICONWARNING);
    return;
  }
  m_installDir = std::move(*folder);
  ShowInstallFolder();
}

void CMainDlg::OnAgreementToggled() {
  const auto* agreement = FindChildByClass<toolkit::CheckBox>("radio_xieyi");
  if (!agreement) return;
  if (toolkit::Widget* install = FindChildByName("btn_ok_install")) {
    install->Enable(agreement->IsChecked(), true);
  }
}

LRESULT CMainDlg::ReadInstallOptions() const {
  LRESULT options = 0;
  const auto* shortcut = FindChildByClass<toolkit::CheckBox>("radio_zmkj");
  const auto* autostart = FindChildByClass<toolkit::CheckBox>("radio_auto");
  if (shortcut && shortcut->IsChecked()) options |= kDesktopShortcutOption;
  if (autostart && autostart->IsChecked()) options |= kAutostartOption;
  return options;
}

void CMainDlg::ShowInstallFolder() {
  if (m_folderEdit) m_folderEdit->SetText(WideToUtf8(m_installDir));
}

}  // namespace update
