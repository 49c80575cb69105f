// Making sure a folder exists before files are written into it. Windows only.
#pragma once

#include <string>

namespace update {

// Creates every missing folder of `folder` (for example D:\Games\Client\), from the outermost
// missing one inwards. It walks up the path until a level exists as a folder, or until only a
// drive ("D:") or a leading backslash is left, and then creates what it gathered; folders that
// cannot be created are left missing, silently. A path without its trailing backslash is taken
// as if it had one. False, with nothing created, when the walk ends in a relative name without
// a drive (or the path is empty); true otherwise.
bool CreateFolderChain(std::wstring folder);

}  // namespace update
