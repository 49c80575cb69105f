#include "workflow/file_ops.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "sys/scoped_handle.h"

namespace update {

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

bool MakeFoldersOnTheWay(FileOps& ops, const std::wstring& root, const std::wstring& path) {
  std::wstring parent = ParentFolder(path);
  std::vector<std::wstring> missing;
  while (parent.size() >= root.size() && !IsFolder(parent)) {
    missing.push_back(parent);
    parent = ParentFolder(parent);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    if (!ops.MakeFolder(*folder)) return false;
  }
  return true;
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
