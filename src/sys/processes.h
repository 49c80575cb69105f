// Finding and ending processes by executable name, as the system's process list names them
// ("ZorvikClient.exe"): the whole name, compared without regard to case, no folder part.
// Windows only.
#pragma once

#include <string>

namespace update {

// True when at least one process of the machine, of any user, has the executable name `name`.
// False also when the process list cannot be read.
bool IsProcessRunning(const std::wstring& name);

// Terminates every process named `name` with exit code 0, in the order of the process list, and
// waits a few seconds at most for them to have ended, so that the files they held are free. True
// when every such process was terminated (also when there was none); false when the list cannot
// be read or a process cannot be opened or terminated: the processes after it are left alone.
bool TerminateProcessesByName(const std::wstring& name);

}  // namespace update
