// A rename Windows carries out at its next start, before any program runs. The updater's own
// swap is two renames (the running program can be renamed, never replaced), and a power cut
// between them would leave the folder without an Update.exe, the one program the client can
// start to repair it: for as long as that swap can be undone, the old updater is put back by
// the system's next start unless an Update.exe is there then. Administrators' tools read a
// pending rename as "a restart is pending", so it is asked for only while it is needed.
// Windows only.
#pragma once

#include <string>

namespace update {

// Asks for the rename of `from` to `to` at the next start, which keeps a `to` that exists then.
// False, with the reason on standard error, when the system's list cannot be written.
bool ScheduleRenameAtBoot(const std::wstring& from, const std::wstring& to);

// Takes back every such rename within `folder` (which ends with a backslash): one run at a time
// works in a folder, so they are all this updater's. The system's list is left as it was when it
// holds none.
void WithdrawRenamesAtBootInside(const std::wstring& folder);

}  // namespace update
