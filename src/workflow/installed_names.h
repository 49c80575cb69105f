// The one rule by which an item of a package becomes a file or folder of the install, shared by
// the unpack and the comparison of an update that fetches only the items that changed, so that
// both install the same file for every name. Windows only.
#pragma once

#include <set>
#include <string>

namespace update {

// The name below the install folder that an item named `itemName` (as the zip reader gives it,
// cleaned) is installed under: backslashes, no trailing one; empty for the archive's root.
std::wstring InstalledName(std::wstring itemName);

// The names of a package's items as the file system sees them, where letter case does not tell
// two names apart.
class InstalledNames {
 public:
  // False when the package already holds a file or folder of this name in another letter case,
  // one of the two a file: Windows would keep only one of them, and which one would differ
  // between a whole install and an update. Such a package is refused on every path.
  bool Add(const std::wstring& installedName, bool folder);

 private:
  std::set<std::wstring> m_files;
  std::set<std::wstring> m_folders;
};

}  // namespace update
