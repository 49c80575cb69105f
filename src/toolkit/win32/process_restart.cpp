#include "toolkit/win32/process_restart.h"

#include <cwchar>
#include <string>

namespace toolkit {
namespace {

// Carries the start number from one start to the next through the inherited environment.
constexpr wchar_t kStartNumberVariable[] = L"TOOLKIT_PROCESS_START";
constexpr DWORD kPauseBeforeRestartMs = 1000;

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
  ~OwnedHandle() {
    if (m_handle) CloseHandle(m_handle);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int ProcessStartNumber() {
  wchar_t value[16] = {};
  const DWORD length = GetEnvironmentVariableW(kStartNumberVariable, value, 16);
  if (length == 0 || length >= 16) return 1;
  const long number = std::wcstol(value, nullptr, 10);
  return number >= 1 && number <= kMaxProcessStarts ? static_cast<int>(number) : 1;
}

bool RunAgainAsNewProcess(DWORD* exitCode) {
  const int next = ProcessStartNumber() + 1;
  if (next > kMaxProcessStarts) return false;
  const std::wstring path = OwnPath();
  if (path.empty()) return false;
  // CreateProcessW may write into the command line.
  std::wstring command_line = GetCommandLineW();
  if (!SetEnvironmentVariableW(kStartNumberVariable, std::to_wstring(next).c_str())) return false;
  Sleep(kPauseBeforeRestartMs);

  // The new process writes its diagnostics where this one would have.
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &started)) {
    return false;
  }
  const OwnedHandle process(started.hProcess);
  const OwnedHandle thread(started.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &code)) {
    return false;
  }
  *exitCode = code;
  return true;
}

}  // namespace toolkit
