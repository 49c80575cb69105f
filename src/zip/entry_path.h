// Item names and extraction targets: cleaning stored names, and keeping every target inside the
// extraction base folder.
#pragma once

#include <string>
#include <string_view>

namespace update::zip {

inline bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// Removes drive prefixes, leading separators, everything up to an embedded parent step
// ("\..\", "\../", "/../", "/..\") and leading parent steps, until none is left.
std::wstring CleanEntryName(std::wstring_view name);

// A leading separator or a drive letter followed by ':'.
bool IsAbsolutePath(std::wstring_view path);

// True when `relative`, taken below some folder, cannot reach above it: its parent steps never
// climb past its start. A step made only of dots and spaces other than "." and ".." is refused
// too (Windows trims such names to something else).
bool StaysInside(std::wstring_view relative);

// Creates `root` (one level) when it is missing, then each folder of `path` below it. Failures
// are left to show up when a file inside is created.
void MakeFolders(const std::wstring& root, std::wstring_view path);

}  // namespace update::zip
