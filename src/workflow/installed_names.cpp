#include "workflow/installed_names.h"

#include <windows.h>

#include <algorithm>

namespace update {
namespace {

// Letter case folded as the file system folds it.
std::wstring Folded(std::wstring name) {
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

}  // namespace

std::wstring InstalledName(std::wstring itemName) {
  std::replace(itemName.begin(), itemName.end(), L'/', L'\\');
  while (!itemName.empty() && itemName.back() == L'\\') itemName.pop_back();
  return itemName;
}

bool InstalledNames::Add(const std::wstring& installedName, bool folder) {
  const std::wstring key = Folded(installedName);
  if (folder) return !m_files.count(key) && (m_folders.insert(key), true);
  return !m_folders.count(key) && m_files.insert(key).second;
}

}  // namespace update
