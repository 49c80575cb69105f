#include "sys/driver_service.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "sys/scoped_handle.h"

namespace update {
namespace {

// How long StopAndDeleteService waits, at most, for the stopped state after the stop control.
constexpr ULONGLONG kStopWaitMs = 5000;
constexpr DWORD kStopPollMs = 50;

// The service-removal state of the process. The pending flag is set from the start and cleared
// by the first StopAndDeleteService. StopDriverService reads it under the mutex; it is atomic
// because StopAndDeleteService may also be called on its own, without the lock.
struct ServiceRemoval {
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<bool> serviceRemovalPending{true};
  int runningThreads = 0;  // under the mutex
};

ServiceRemoval& Removal() {
  static ServiceRemoval removal;
  return removal;
}

// A stopped driver no longer holds its files. After a refused stop control only a stop that is
// already under way is waited for.
void WaitForStopped(SC_HANDLE service, bool stopAccepted) {
  const ULONGLONG deadline = GetTickCount64() + kStopWaitMs;
  for (;;) {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return;
    if (status.dwCurrentState == SERVICE_STOPPED) return;
    if (!stopAccepted && status.dwCurrentState != SERVICE_STOP_PENDING) return;
    if (GetTickCount64() >= deadline) return;
    Sleep(kStopPollMs);
  }
}

bool OpenStopAndDelete(const std::wstring& name) {
  const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  std::printf("OpenSCManager() ok ! \n");
  const ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return false;
  std::printf("OpenService() ok ! \n");
  SERVICE_STATUS status{};
  const bool stopAccepted = ControlService(service.get(), SERVICE_CONTROL_STOP, &status) != FALSE;
  WaitForStopped(service.get(), stopAccepted);
  if (DeleteService(service.get())) std::printf("DelServer:eleteSrevice() ok !\n");
  return true;
}

}  // namespace

bool StopAndDeleteService(const std::wstring& name) {
  const bool opened = OpenStopAndDelete(name);
  std::fflush(stdout);
  Removal().serviceRemovalPending = false;
  return opened;
}

void StopDriverService(const std::wstring& name) {
  ServiceRemoval& removal = Removal();
  std::unique_lock<std::mutex> lock(removal.mutex);
  ++removal.runningThreads;
  try {
    std::thread([name] {
      ServiceRemoval& state = Removal();
      std::lock_guard<std::mutex> threadLock(state.mutex);
      StopAndDeleteService(name);
      --state.runningThreads;
      state.finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the removal runs here, under the lock already held.
    --removal.runningThreads;
    StopAndDeleteService(name);
  }
  removal.finished.wait(lock, [&] { return !removal.serviceRemovalPending; });
}

namespace internal {

bool IsServiceRemovalPending() {
  return Removal().serviceRemovalPending;
}

void WaitForRemovalThreads() {
  ServiceRemoval& removal = Removal();
  std::unique_lock<std::mutex> lock(removal.mutex);
  removal.finished.wait(lock, [&] { return removal.runningThreads == 0; });
}

}  // namespace internal
}  // namespace update
