#include "sys/processes.h"

#include <windows.h>

#include <wtsapi32.h>

#include <algorithm>
#include <vector>

#include "sys/scoped_handle.h"

namespace update {
namespace {

// How long TerminateProcessesByName waits, at most, for the processes it ended to be gone.
constexpr DWORD kProcessEndWaitMs = 5000;

// The Terminal Services list of the local machine's processes, freed when it goes.
class ProcessList {
 public:
  ProcessList() {
    if (!WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &m_entries, &m_count)) {
      m_entries = nullptr;
      m_count = 0;
    }
  }
  ProcessList(const ProcessList&) = delete;
  ProcessList& operator=(const ProcessList&) = delete;
  ~ProcessList() {
    if (m_entries) WTSFreeMemory(m_entries);
  }

  bool valid() const { return m_entries != nullptr; }
  const WTS_PROCESS_INFOW* begin() const { return m_entries; }
  const WTS_PROCESS_INFOW* end() const { return m_entries + m_count; }

 private:
  WTS_PROCESS_INFOW* m_entries = nullptr;
  DWORD m_count = 0;
};

bool HasName(const WTS_PROCESS_INFOW& entry, const std::wstring& name) {
  return entry.pProcessName && lstrcmpiW(entry.pProcessName, name.c_str()) == 0;
}

// A terminated process still holds its files until the system has torn it down.
void WaitUntilEnded(const std::vector<KernelHandle>& processes, DWORD boundMs) {
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  for (const KernelHandle& process : processes) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    WaitForSingleObject(process.get(), static_cast<DWORD>(deadline - now));
  }
}

}  // namespace

bool IsProcessRunning(const std::wstring& name) {
  const ProcessList list;
  if (!list.valid()) return false;
  return std::any_of(list.begin(), list.end(),
                     [&](const WTS_PROCESS_INFOW& entry) { return HasName(entry, name); });
}

bool TerminateProcessesByName(const std::wstring& name) {
  const ProcessList list;
  if (!list.valid()) return false;
  std::vector<KernelHandle> ended;
  bool allTerminated = true;
  for (const WTS_PROCESS_INFOW& entry : list) {
    if (!HasName(entry, name)) continue;
    KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, entry.ProcessId));
    if (!process) {
      allTerminated = false;
      break;
    }
    // A second handle, only to wait on: the terminating one asks for nothing but termination.
    KernelHandle waitable(OpenProcess(SYNCHRONIZE, FALSE, entry.ProcessId));
    if (!TerminateProcess(process.get(), 0)) {
      allTerminated = false;
      break;
    }
    if (waitable) ended.push_back(std::move(waitable));
  }
  WaitUntilEnded(ended, kProcessEndWaitMs);
  return allTerminated;
}

}  // namespace update
