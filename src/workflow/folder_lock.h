// One run per install folder: a named mutex derived from the folder's full path, held for the
// whole run, so that a second updater started for the same folder (the client starting it twice)
// cannot take the first one's swap under way for a crash. Windows only.
#pragma once

#include <memory>
#include <string>

namespace update {

// The folder's lock, held until the returned token is let go (on the thread that took it); null
// when another run holds it. A lock whose holder ended without letting go is taken over: its
// run was interrupted, and the recovery comes next.
std::shared_ptr<void> LockInstallFolder(const std::wstring& installDir);

// The mutex's name for `installDir`: the same for every spelling of the folder that differs in
// letter case only.
std::wstring InstallFolderLockName(const std::wstring& installDir);

// Brings the window of another running updater to the front.
void ShowOtherUpdater();

}  // namespace update
