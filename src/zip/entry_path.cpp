#include "zip/entry_path.h"

#include "zip/file_system.h"

namespace update::zip {
namespace {

constexpr std::wstring_view kEmbeddedParentSteps[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};

bool IsParentStepPrefix(std::wstring_view rest) {
  return rest.size() >= 3 && rest[0] == L'.' && rest[1] == L'.' && IsSeparator(rest[2]);
}

// Parents first, so each CreateFolder has its parent in place.
void MakeFoldersBelow(const std::wstring& root, std::wstring_view path) {
  if (path.empty()) return;
  const size_t last = path.find_last_of(L"\\/");
  if (last != std::wstring_view::npos && last != 0) MakeFoldersBelow(root, path.substr(0, last));
  std::wstring folder = root;
  folder.append(path);
  if (!PathExists(folder)) CreateFolder(folder);
}

}  // namespace

std::wstring CleanEntryName(std::wstring_view name) {
  size_t at = 0;
  for (;;) {
    const std::wstring_view rest = name.substr(at);
    if (rest.size() >= 2 && rest[0] != L'\0' && rest[1] == L':') {
      at += 2;
      continue;
    }
    if (!rest.empty() && IsSeparator(rest[0])) {
      ++at;
      continue;
    }
    bool cut = false;
    for (const std::wstring_view step : kEmbeddedParentSteps) {
      const size_t found = rest.find(step);
      if (found != std::wstring_view::npos) {
        at += found + step.size();
        cut = true;
        break;
      }
    }
    if (cut) continue;
    // Not cleaned by the rules above, but a leading "..\" or "../" would climb out of the base.
    if (IsParentStepPrefix(rest)) {
      at += 3;
      continue;
    }
    return std::wstring(rest);
  }
}

bool IsAbsolutePath(std::wstring_view path) {
  if (!path.empty() && IsSeparator(path[0])) return true;
  if (path.size() < 2 || path[1] != L':') return false;
  const wchar_t drive = path[0];
  return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
}

bool StaysInside(std::wstring_view relative) {
  int depth = 0;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = start;
    while (end < relative.size() && !IsSeparator(relative[end])) ++end;
    const std::wstring_view step = relative.substr(start, end - start);
    if (step == L"..") {
      if (--depth < 0) return false;
    } else if (!step.empty() && step != L".") {
      if (step.find_first_not_of(L". ") == std::wstring_view::npos) return false;
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

void MakeFolders(const std::wstring& root, std::wstring_view path) {
  // Most items land in a folder that is already there: one probe settles it.
  if (!path.empty() && PathExists(root + std::wstring(path))) return;
  if (!root.empty() && !PathExists(root)) CreateFolder(root);
  MakeFoldersBelow(root, path);
}

}  // namespace update::zip
