// Command lines that the system parses again later (the autostart value, the uninstall string).
#pragma once

#include <string>

namespace update {

// `path` in double quotes, so that a folder with spaces ("C:\Program Files\...") is read as one
// program path rather than as "C:\Program" with arguments. A path already in quotes is returned
// as it is. Paths cannot contain a double quote, so nothing inside needs escaping.
std::wstring QuotedCommandPath(const std::wstring& path);

}  // namespace update
