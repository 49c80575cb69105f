// A program whose windows cannot be created at all starts itself once more as a new process.
//
// Under Wine a process picks its window driver once, from the session's desktop, the first time it
// needs one. The first program of a new session starts the desktop process and waits 10 s for it;
// when that process is slower (a loaded machine, a fresh prefix) the program may go on while the
// desktop is half made, gets no driver, and every window it creates fails from then on. A process
// started a moment later finds the desktop complete and works. Retrying inside the process cannot
// help, so the retry is a new start of the same program, with the same command line.
#pragma once

#include <windows.h>

namespace toolkit {

// Starts of one program in a row, the first included: a chain of restarts ends there.
constexpr int kMaxProcessStarts = 3;

// This process's place in a chain of restarts: 1 for a start by anyone else.
int ProcessStartNumber();

// Starts this program again with its own command line, after a short pause that lets the desktop
// be completed, waits for it to end and stores its exit code. False, storing nothing, when this
// process is already the last start allowed or the new process could not be started.
bool RunAgainAsNewProcess(DWORD* exitCode);

}  // namespace toolkit
