#include "workflow/client_control.h"

#include <windows.h>

#include <vector>

#include "sys/command_line.h"
#include "sys/driver_service.h"
#include "sys/processes.h"
#include "workflow/install_job.h"

namespace update {

void StopClientAndDriver() {
  if (IsProcessRunning(kClientExeName)) TerminateProcessesByName(kClientExeName);
  StopDriverService(kDriverServiceName);
}

bool StartClient(const std::wstring& installDir) {
  const std::wstring command = QuotedCommandPath(installDir + kClientExeName) + L" 0";
  std::vector<wchar_t> writable(command.begin(), command.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace update
