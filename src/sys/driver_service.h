// Stopping and removing the client's driver service. Windows only.
#pragma once

#include <string>

namespace update {

// Sends the stop control to the service `name`, waits a few seconds at most for it to reach the
// stopped state, and asks the Service Control Manager to delete it. Writes "OpenSCManager() ok ! ",
// "OpenService() ok ! " and "DelServer:eleteSrevice() ok !" lines to standard output as those
// steps succeed. True when the service could be opened, whether or not it stopped or was deleted;
// false when the Service Control Manager or the service cannot be opened.
bool StopAndDeleteService(const std::wstring& name);

// Runs StopAndDeleteService(name) on a thread of its own under the process-wide service-removal
// lock. The first call of the process returns once that removal has finished; later calls return
// at once and leave the removal running on its thread.
void StopDriverService(const std::wstring& name);

namespace internal {

// Whether no StopAndDeleteService has finished yet in this process.
bool IsServiceRemovalPending();

// Returns once every removal thread that StopDriverService started has finished.
void WaitForRemovalThreads();

}  // namespace internal
}  // namespace update
