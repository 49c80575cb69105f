#include "workflow/folder_lock.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <utility>

#include "sys/scoped_handle.h"

namespace update {
namespace {

// The window class of the program's main window.
constexpr wchar_t kMainWindowClass[] = L"UIHOSTWND";

// Owned by the thread that took it.
class HeldMutex {
 public:
  explicit HeldMutex(KernelHandle mutex) : m_mutex(std::move(mutex)) {}
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;
  ~HeldMutex() { ReleaseMutex(m_mutex.get()); }

 private:
  KernelHandle m_mutex;
};

BOOL CALLBACK ShowIfOtherUpdater(HWND window, LPARAM) {
  wchar_t window_class[64] = {};
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() || !GetClassNameW(window, window_class, 64) ||
      std::wstring(window_class) != kMainWindowClass || !IsWindowVisible(window)) {
    return TRUE;
  }
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  return FALSE;
}

}  // namespace

std::wstring InstallFolderLockName(const std::wstring& installDir) {
  std::wstring folded = installDir;
  while (!folded.empty() && folded.back() == L'\\') folded.pop_back();
  CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  // FNV-1a over the UTF-16 units: a name of fixed length whatever the path's.
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t unit : folded) {
    hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
  }
  wchar_t name[64] = {};
  std::swprintf(name, 64, L"Local\\IZorvikUpdate-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

std::shared_ptr<void> LockInstallFolder(const std::wstring& installDir) {
  KernelHandle mutex(CreateMutexW(nullptr, FALSE, InstallFolderLockName(installDir).c_str()));
  if (!mutex) return nullptr;
  const DWORD waited = WaitForSingleObject(mutex.get(), 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
  return std::make_shared<HeldMutex>(std::move(mutex));
}

void ShowOtherUpdater() {
  EnumWindows(ShowIfOtherUpdater, 0);
}

}  // namespace update
