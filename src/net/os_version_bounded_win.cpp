#include <windows.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "common/no_exception.h"
#include "net/os_version.h"
#include "sys/scoped_handle.h"

namespace update {
namespace {

// What the query's thread and its waiter share; the last of the two to let go frees it.
struct QueryState {
  OsVersionQuery query;
  std::mutex mutex;
  bool answered = false;
  std::wstring version;
};

DWORD WINAPI RunQuery(void* parameter) noexcept {
  return OrOnException<DWORD>(DWORD{1}, [&]() -> DWORD {
    const std::unique_ptr<std::shared_ptr<QueryState>> owned(
        static_cast<std::shared_ptr<QueryState>*>(parameter));
    QueryState& state = **owned;
    std::wstring version;
    if (state.query(version) == 0 && !version.empty()) {
      const std::lock_guard<std::mutex> lock(state.mutex);
      state.version = std::move(version);
      state.answered = true;
    }
    return 0;
  });
}

// The kernel's own numbers: never waits, needs no service.
std::wstring KernelVersion() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get_version = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (get_version == nullptr || get_version(&info) != 0) return std::wstring();
  return std::to_wstring(info.dwMajorVersion) + L"." + std::to_wstring(info.dwMinorVersion) + L"." +
         std::to_wstring(info.dwBuildNumber);
}

}  // namespace

std::wstring OsVersionWithin(OsVersionQuery query, unsigned limitMs) {
  auto state = std::make_shared<QueryState>();
  state->query = std::move(query);
  auto parameter = std::make_unique<std::shared_ptr<QueryState>>(state);
  const KernelHandle thread(CreateThread(nullptr, 0, RunQuery, parameter.get(), 0, nullptr));
  if (thread) {
    parameter.release();  // the thread's own now
    if (WaitForSingleObject(thread.get(), limitMs) == WAIT_TIMEOUT) {
      std::fprintf(stderr, "os version: no answer from WMI within %u ms; the kernel's is used\n",
                   limitMs);
    }
    const std::lock_guard<std::mutex> lock(state->mutex);
    if (state->answered) return state->version;
  }
  return KernelVersion();
}

}  // namespace update
