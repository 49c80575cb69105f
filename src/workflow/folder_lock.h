// One run per install folder on the whole machine: a named mutex of the global namespace derived
// from the folder's final path, held for the whole run, so that a second updater started for the
// same folder (the client starting it twice, an administrator's tool in another session, the
// folder by another spelling) cannot take the first one's swap under way for a crash. Windows
// only.
#pragma once

#include <memory>
#include <string>

namespace update {

// The folder's lock, held until the returned token is let go (on the thread that took it); null
// when another run holds it. A lock whose holder ended without letting go is taken over: its
// run was interrupted, and the recovery comes next.
std::shared_ptr<void> LockInstallFolder(const std::wstring& installDir);

// The folder's path as the system resolves it: full, without a trailing backslash, short names
// and links of the part that exists resolved to its final path.
std::wstring CanonicalFolderPath(const std::wstring& installDir);

// The mutex's name for `installDir`: the same for every spelling of the folder (letter case,
// doubled or trailing backslashes, "." and "..", short names, a link to it).
std::wstring InstallFolderLockName(const std::wstring& installDir);

// Brings the window of another running updater to the front.
void ShowOtherUpdater();

}  // namespace update
