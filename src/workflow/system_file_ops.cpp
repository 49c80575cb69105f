// The system's file operations of the swap. Each one opens what it acts on as itself (a link is
// never followed) and acts through that handle, so that what was checked is what is changed.
// Confined to a folder, each also checks that what it opened, or what it made, lies where the
// path says inside that folder: the folder may be one that others can write, and a folder on the
// way swapped for a link between a check and a use would take the elevated program's removals
// and moves anywhere on the volume.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "sys/scoped_handle.h"
#include "workflow/file_ops.h"

namespace update {
namespace {

// Another program may hold a file for a moment (a scanner looks at each file that just changed):
// a move or removal refused for that is tried again, with growing pauses, for up to this long in
// all before it counts as failed.
constexpr DWORD kHeldFileBudgetMs = 10000;

bool IsHeldByAnother(DWORD error, const std::wstring& path) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         (error == ERROR_ACCESS_DENIED && PathExists(path));
}

template <typename Operation>
bool WhileHeldTryAgain(const std::wstring& path, const char* what, Operation operation) {
  DWORD waited = 0;
  for (DWORD pause = 50;; pause = pause * 2 > 1000 ? 1000 : pause * 2) {
    if (operation()) return true;
    const DWORD error = GetLastError();
    if (!IsHeldByAnother(error, path) || waited >= kHeldFileBudgetMs) {
      SetLastError(error);
      return false;
    }
    if (waited == 0) {
      std::fprintf(stderr, "swap: %s %ls: the file is in use (error %lu); trying again\n", what,
                   path.c_str(), error);
    }
    Sleep(pause);
    waited += pause;
  }
}

// What an operation met in place of what it was asked to act on: a link, or a place outside the
// folder.
bool Refused() {
  SetLastError(ERROR_CANT_ACCESS_FILE);
  return false;
}

FileHandle OpenAsItself(const std::wstring& path, DWORD access, DWORD flags = 0) {
  return FileHandle(CreateFileW(
      path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr));
}

std::optional<DWORD> AttributesOf(HANDLE file) {
  FILE_BASIC_INFO basic = {};
  if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic))) {
    return std::nullopt;
  }
  return basic.FileAttributes;
}

bool IsLinkHandle(HANDLE file) {
  const std::optional<DWORD> attributes = AttributesOf(file);
  return !attributes || (*attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The whole path the system found for the handle, every link on the way resolved.
std::optional<std::wstring> FinalPath(HANDLE file) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < path.size()) break;
    path.resize(length + 1);
  }
  std::wstring whole(path.data());
  constexpr std::wstring_view kLocal = L"\\\\?\\";
  constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\";
  if (whole.compare(0, kUnc.size(), kUnc) == 0) return L"\\\\" + whole.substr(kUnc.size());
  if (whole.compare(0, kLocal.size(), kLocal) == 0) return whole.substr(kLocal.size());
  return whole;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool RenameByHandle(HANDLE file, const std::wstring& to, bool replace) {
  // The name is read up to its NUL as well as by its length.
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + (to.size() + 1) * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
  std::copy(to.begin(), to.end(), rename->FileName);
  rename->FileName[to.size()] = L'\0';
  return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size())) != FALSE;
}

bool DeleteByHandle(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) !=
         FALSE;
}

class SystemOps : public FileOps {
 public:
  // `folder` empty: paths are taken as they come.
  explicit SystemOps(std::wstring folder) : m_folder(std::move(folder)) {
    if (m_folder.empty()) return;
    const FileHandle root = OpenAsItself(m_folder, FILE_READ_ATTRIBUTES);
    // The folder's own place counts, links above it included: a link inside it does not.
    if (root && !IsLinkHandle(root.get())) m_place = FinalPath(root.get());
  }

  bool Move(const std::wstring& from, const std::wstring& to) override {
    return WhileHeldTryAgain(from, "moving", [&] {
      const FileHandle file =
          OpenAsItself(from, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_FLAG_WRITE_THROUGH);
      if (!file) return false;
      if (IsLinkHandle(file.get()) || !LiesAt(file.get(), from)) return Refused();
      if (!RenameByHandle(file.get(), to, false)) return false;
      if (LiesAt(file.get(), to)) return true;
      // A folder on the way to `to` became a link after the checks: the file went there.
      RenameByHandle(file.get(), from, false);
      return Refused();
    });
  }

  bool RemoveFile(const std::wstring& path) override {
    return WhileHeldTryAgain(path, "removing", [&] {
      const FileHandle file =
          OpenAsItself(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
      if (!file) return false;
      if (!LiesAt(file.get(), path)) return Refused();
      if (DeleteByHandle(file.get())) return true;
      const DWORD error = GetLastError();
      // A read-only file (as some packages carry) is removed all the same; opened as itself, a
      // link's attributes are its own.
      FILE_BASIC_INFO basic = {};
      if (GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof(basic)) &&
          (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        return SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic)) &&
               DeleteByHandle(file.get());
      }
      SetLastError(error);
      return false;
    });
  }

  bool MakeFolder(const std::wstring& path) override {
    const bool made = CreateDirectoryW(path.c_str(), nullptr) != FALSE;
    if (!made && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const FileHandle folder = OpenAsItself(path, FILE_READ_ATTRIBUTES | (made ? DELETE : 0));
    if (!folder) return false;
    const std::optional<DWORD> attributes = AttributesOf(folder.get());
    if (attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(*attributes & FILE_ATTRIBUTE_REPARSE_POINT) && LiesAt(folder.get(), path)) {
      return true;
    }
    if (made) DeleteByHandle(folder.get());  // made through a link: it goes again
    return Refused();
  }

  bool RemoveFolder(const std::wstring& path) override {
    const FileHandle folder = OpenAsItself(path, DELETE | FILE_READ_ATTRIBUTES);
    if (!folder) return false;
    if (!LiesAt(folder.get(), path)) return Refused();
    return DeleteByHandle(folder.get());
  }

  bool WriteDurably(const std::wstring& path, const std::string& text) override {
    const std::wstring temporary = path + L".tmp";
    // Something planted under the temporary name goes itself; the file is then made anew, so
    // that nothing it pointed at is written.
    if (PathExists(temporary) && !RemoveFile(temporary)) return false;
    const FileHandle file = CreateNewFile(temporary, FILE_ATTRIBUTE_NORMAL);
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
      DeleteByHandle(file.get());
      return false;
    }
    if (!RenameByHandle(file.get(), path, true)) {
      DeleteByHandle(file.get());
      return false;
    }
    return LiesAt(file.get(), path) || Refused();
  }

  FileHandle CreateNewFile(const std::wstring& path, DWORD attributes) override {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0,
                                nullptr, CREATE_NEW, attributes, nullptr));
    if (file && !LiesAt(file.get(), path)) {
      DeleteByHandle(file.get());  // made through a link: it goes again
      Refused();
      return FileHandle();
    }
    return file;
  }

  std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) override {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
  }

 private:
  // True when what `file` is lies at `path` as spelt below the folder: no link on the way.
  bool LiesAt(HANDLE file, const std::wstring& path) const {
    if (m_folder.empty()) return true;
    if (!m_place || path.size() <= m_folder.size() ||
        !SameText(path.substr(0, m_folder.size()), m_folder)) {
      return false;
    }
    std::wstring expected = *m_place;
    if (expected.back() != L'\\') expected += L'\\';
    expected += path.substr(m_folder.size());
    const std::optional<std::wstring> found = FinalPath(file);
    return found && SameText(*found, expected);
  }

  std::wstring m_folder;  // with its trailing backslash
  std::optional<std::wstring> m_place;
};

}  // namespace

FileOps& SystemFileOps() {
  static SystemOps ops(L"");
  return ops;
}

std::unique_ptr<FileOps> FileOpsConfinedTo(const std::wstring& folder) {
  return std::make_unique<SystemOps>(folder);
}

}  // namespace update
