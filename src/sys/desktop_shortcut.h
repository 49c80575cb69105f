// The desktop shortcut to the installed client. Windows only.
#pragma once

#include <string>

namespace update {

// Saves a shell link to `targetPath` as the desktop folder's path followed directly by
// `linkName` (which therefore begins with a backslash, "\Zorvik加速器.lnk"). The link's working
// folder is the target's folder (the text before its last "/" or "\"), its icon the target's
// short path when the system has one, else the target itself. An existing link of that name is
// overwritten; the file is written only by the final save. False, and nothing written, when the
// desktop folder cannot be determined or COM or the link object fails. Initialises COM for the
// calling thread for the length of the call.
bool CreateDesktopShortcut(const std::wstring& targetPath, const std::wstring& linkName);

}  // namespace update
