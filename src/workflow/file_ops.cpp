#include "workflow/file_ops.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "sys/scoped_handle.h"

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

bool RemoveFileOnce(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  const DWORD error = GetLastError();
  // A read-only file (as some packages carry) is removed all the same; a link's attributes are
  // left alone, since setting them could reach what it points at.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
           DeleteFileW(path.c_str());
  }
  SetLastError(error);
  return false;
}

class SystemOps : public FileOps {
 public:
  bool Move(const std::wstring& from, const std::wstring& to) override {
    if (IsLink(from)) {
      SetLastError(ERROR_CANT_ACCESS_FILE);
      return false;
    }
    return WhileHeldTryAgain(from, "moving", [&] {
      return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    });
  }
  bool RemoveFile(const std::wstring& path) override {
    return WhileHeldTryAgain(path, "removing", [&] { return RemoveFileOnce(path); });
  }
  bool MakeFolder(const std::wstring& path) override {
    return CreateDirectoryW(path.c_str(), nullptr) || IsFolder(path);
  }
  bool RemoveFolder(const std::wstring& path) override {
    return RemoveDirectoryW(path.c_str()) != FALSE;
  }
  bool WriteDurably(const std::wstring& path, const std::string& text) override {
    const std::wstring temporary = path + L".tmp";
    {
      FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) return false;
      DWORD written = 0;
      if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
          written != text.size() || !FlushFileBuffers(file.get())) {
        return false;
      }
    }
    return MoveFileExW(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) override {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
  }
};

}  // namespace

FileOps& SystemFileOps() {
  static SystemOps ops;
  return ops;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ParentFolder(const std::wstring& path) {
  const size_t at = path.find_last_of(L'\\');
  if (at == std::wstring::npos || at + 1 == path.size()) return std::wstring();
  return path.substr(0, at == 2 && path[1] == L':' ? 3 : at);
}

bool IsLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ReachesThroughLink(const std::wstring& folder, const std::wstring& relative) {
  for (size_t at = relative.find(L'\\');; at = relative.find(L'\\', at + 1)) {
    const std::wstring level = folder + relative.substr(0, at);
    if (IsLink(level)) return true;
    if (at == std::wstring::npos || !PathExists(level)) return false;
  }
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string text;
  char buffer[16384];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    text.append(buffer, got);
  }
  return text;
}

bool RemoveTree(FileOps& ops, const std::wstring& folder) {
  if (!PathExists(folder)) return true;
  if (IsLink(folder)) return IsFolder(folder) ? ops.RemoveFolder(folder) : ops.RemoveFile(folder);
  const std::wstring base = folder.back() == L'\\' ? folder : folder + L'\\';
  WIN32_FIND_DATAW found = {};
  const FindHandle search(FindFirstFileW((base + L"*").c_str(), &found));
  bool removed = true;
  if (search) {
    std::vector<std::wstring> folders;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const DWORD link_to_folder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
      if ((found.dwFileAttributes & link_to_folder) == link_to_folder) {
        if (!ops.RemoveFolder(base + name)) removed = false;  // the link, not what it names
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(base + name);
      } else if (!ops.RemoveFile(base + name)) {
        removed = false;
      }
    } while (FindNextFileW(search.get(), &found));
    for (const std::wstring& inner : folders) removed = RemoveTree(ops, inner) && removed;
  }
  return ops.RemoveFolder(folder) && removed;
}

}  // namespace update
