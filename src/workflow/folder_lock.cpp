#include "workflow/folder_lock.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <utility>

#include "common/no_exception.h"
#include "sys/scoped_handle.h"
#include "workflow/file_ops.h"

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

BOOL CALLBACK ShowIfOtherUpdater(HWND window, LPARAM) noexcept {
  return OrOnException<BOOL>(TRUE, [&]() -> BOOL {
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
  });
}

// The final path of an existing folder, links and short names resolved; empty when it cannot be
// opened.
std::wstring FinalPathOf(const std::wstring& folder) {
  const FileHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::wstring();
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle.get(), path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(length + 1);
  }
  constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
  if (path.compare(0, kLongPrefix.size(), kLongPrefix) == 0) path.erase(0, kLongPrefix.size());
  return path;
}

}  // namespace

std::wstring CanonicalFolderPath(const std::wstring& installDir) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(installDir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) {
      full = installDir;
      break;
    }
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length + 1);
  }
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();  // a root keeps its own
  // A folder not made yet: the final path of the nearest one that is, and the rest as written.
  for (std::wstring folder = full; !folder.empty(); folder = ParentFolder(folder)) {
    const std::wstring resolved = FinalPathOf(folder);
    if (resolved.empty()) continue;
    std::wstring rest = full.substr(folder.size());
    if (resolved.back() == L'\\' && !rest.empty() && rest.front() == L'\\') rest.erase(0, 1);
    return resolved + rest;
  }
  return full;
}

std::wstring InstallFolderLockName(const std::wstring& installDir) {
  std::wstring folded = CanonicalFolderPath(installDir);
  while (!folded.empty() && folded.back() == L'\\') folded.pop_back();
  CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  // FNV-1a over the UTF-16 units: a name of fixed length whatever the path's.
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t unit : folded) {
    hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
  }
  wchar_t name[64] = {};
  // Machine-wide: an updater of another session (another user's, a deployment tool's) is seen.
  std::swprintf(name, 64, L"Global\\IZorvikUpdate-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

std::shared_ptr<void> LockInstallFolder(const std::wstring& installDir) {
  const std::wstring name = InstallFolderLockName(installDir);
  KernelHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
  if (!mutex) {
    // Another program made the name first and keeps this one out: no run for this folder.
    std::fprintf(stderr, "run: the folder's lock %ls cannot be had (error %lu)\n", name.c_str(),
                 GetLastError());
    return nullptr;
  }
  const DWORD waited = WaitForSingleObject(mutex.get(), 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
  return std::make_shared<HeldMutex>(std::move(mutex));
}

void ShowOtherUpdater() {
  EnumWindows(ShowIfOtherUpdater, 0);
}

}  // namespace update
