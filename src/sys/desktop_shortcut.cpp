#include "sys/desktop_shortcut.h"

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

namespace update {
namespace {

// COM on this thread for the scope; declared before every COM pointer so that it outlives them.
class ComScope {
 public:
  ComScope() : m_initialised(SUCCEEDED(CoInitialize(nullptr))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (m_initialised) CoUninitialize();
  }
  bool initialised() const { return m_initialised; }

 private:
  bool m_initialised;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (m_pointer) m_pointer->Release();
  }
  void** Receive() { return reinterpret_cast<void**>(&m_pointer); }
  T* operator->() const { return m_pointer; }

 private:
  T* m_pointer = nullptr;
};

std::wstring DesktopFolder() {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) return {};
  return path;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"/\\");
  return cut == std::wstring::npos ? path : path.substr(0, cut);
}

// The 8.3 form where the volume has one; elsewhere the path as it is.
std::wstring IconPath(const std::wstring& target) {
  const DWORD length = GetShortPathNameW(target.c_str(), nullptr, 0);
  if (length == 0) return target;
  std::vector<wchar_t> shortPath(length);
  const DWORD written = GetShortPathNameW(target.c_str(), shortPath.data(), length);
  if (written == 0 || written >= length) return target;
  return std::wstring(shortPath.data(), written);
}

}  // namespace

bool CreateDesktopShortcut(const std::wstring& targetPath, const std::wstring& linkName) {
  const std::wstring desktop = DesktopFolder();
  // Without a desktop folder the link would land in the root of the current drive.
  if (desktop.empty()) return false;
  const std::wstring linkPath = desktop + linkName;

  const ComScope com;
  if (!com.initialised()) return false;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.Receive()))) {
    return false;
  }
  link->SetPath(targetPath.c_str());
  link->SetWorkingDirectory(FolderOf(targetPath).c_str());
  link->SetIconLocation(IconPath(targetPath).c_str(), 0);

  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Receive()))) return false;
  return SUCCEEDED(file->Save(linkPath.c_str(), FALSE));
}

}  // namespace update
