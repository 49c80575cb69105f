#include "sys/folder_chain.h"

#include <windows.h>

#include <deque>

#include "sys/scoped_handle.h"

namespace update {
namespace {

bool IsExistingFolder(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileW(path.c_str(), &found));
  return search && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The index of the last backslash of `text`, or -1.
long long LastBackslash(const std::wstring& text) {
  const size_t at = text.rfind(L'\\');
  return at == std::wstring::npos ? -1 : static_cast<long long>(at);
}

}  // namespace

bool CreateFolderChain(std::wstring folder) {
  if (folder.empty()) return false;
  if (folder.back() != L'\\') folder += L'\\';

  // Ordered from the outermost missing folder to the input itself.
  std::deque<std::wstring> candidates{folder};
  std::wstring current = folder;
  long long position = LastBackslash(current);
  bool reachedExisting = false;
  while (position >= 1) {
    current.resize(static_cast<size_t>(position));
    if (IsExistingFolder(current)) {
      reachedExisting = true;
      break;
    }
    candidates.push_front(current);
    position = LastBackslash(current);
  }
  if (!reachedExisting && position == -1 && (current.empty() || current.back() != L':')) {
    return false;
  }
  // The input comes right after the same path without its backslash: that create fails, and
  // so do those of levels that exist already; neither matters.
  for (const std::wstring& candidate : candidates) CreateDirectoryW(candidate.c_str(), nullptr);
  return true;
}

}  // namespace update
