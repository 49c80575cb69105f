// Stands in for the installed client program (and, with --service, for its driver service).
//
//   fake-client.exe [--log FILE] [--hold PATH [--hold-for MS]] [--service NAME [--hold-stop EVENT]]
//                   [anything]
//
// Each start appends one line to the log file, UTF-8, fields separated by tabs:
//   own path <TAB> command line <TAB> working folder <TAB> process id
// The log file is FILE, else the file named by the environment variable UPDATE_FAKE_CLIENT_LOG;
// without either nothing is logged. A service is started with the Service Control Manager's
// environment, so a service names its log with --log. Other arguments (the client's "0") are
// accepted and only logged.
//
// With --hold PATH the file PATH is opened first, shared with no one, and kept open for the
// process's life (a file in use, as a running program holds its own); the log line then says it
// is held. Without --service the program then waits until it is terminated, or with --hold-for
// MS lets the file go and exits after MS milliseconds (a scanner looking at a file that changed).
// With --service NAME it runs as the own-process service NAME, which accepts the stop control: it
// reports the stop as pending and then stopped; the process then exits with 0. With --hold-stop
// (for tests that keep the service in its stop for as long as they need), on the stop control it
// sets the named event EVENT + "-stopping" and waits until the named event EVENT is set (a minute
// at most) before it reports the service stopped. The test creates both events.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/text_convert.h"
#include "sys/scoped_handle.h"

namespace {

using update::FileHandle;
using update::KernelHandle;

constexpr wchar_t kLogVariable[] = L"UPDATE_FAKE_CLIENT_LOG";
constexpr DWORD kLongestHoldMs = 60000;

struct Options {
  std::wstring log;
  std::wstring service;
  std::wstring holdStop;
  std::wstring hold;
  DWORD holdForMs = 0;  // 0: for ever
};

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring WorkingFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(GetCurrentDirectoryW(size, folder.data()));
  return folder;
}

std::wstring LogPath(const Options& options) {
  if (!options.log.empty()) return options.log;
  const DWORD size = GetEnvironmentVariableW(kLogVariable, nullptr, 0);
  if (size == 0) return {};
  std::wstring path(size, L'\0');
  path.resize(GetEnvironmentVariableW(kLogVariable, path.data(), size));
  return path;
}

// One locked write at the end of the file, so that clients started together never interleave.
void AppendStartLine(const std::wstring& logPath) {
  const std::string line =
      update::WideToUtf8(ModulePath() + L"\t" + GetCommandLineW() + L"\t" + WorkingFolder() +
                         L"\t" + std::to_wstring(GetCurrentProcessId())) +
      "\n";
  const FileHandle file(CreateFileW(logPath.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    std::fprintf(stderr, "fake-client: cannot open the log %ls (error %lu)\n", logPath.c_str(),
                 GetLastError());
    return;
  }
  OVERLAPPED whole{};
  if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) return;
  LARGE_INTEGER end{};
  DWORD written = 0;
  if (SetFilePointerEx(file.get(), LARGE_INTEGER{}, &end, FILE_END)) {
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  UnlockFileEx(file.get(), 0, MAXDWORD, MAXDWORD, &whole);
}

Options ParseOptions(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::wstring name = argv[i];
    if (name == L"--log") {
      options.log = argv[++i];
    } else if (name == L"--service") {
      options.service = argv[++i];
    } else if (name == L"--hold") {
      options.hold = argv[++i];
    } else if (name == L"--hold-for") {
      options.holdForMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (name == L"--hold-stop") {
      options.holdStop = argv[++i];
    }
  }
  return options;
}

// The one service of this process.
struct Service {
  std::wstring name;
  std::wstring holdStop;
  SERVICE_STATUS_HANDLE statusHandle = nullptr;
  HANDLE stopRequested = nullptr;
} g_service;

void Report(DWORD state) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status.dwWaitHint = state == SERVICE_STOP_PENDING ? kLongestHoldMs : 0;
  SetServiceStatus(g_service.statusHandle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(g_service.stopRequested);
    return NO_ERROR;
  }
  return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  g_service.statusHandle =
      RegisterServiceCtrlHandlerExW(g_service.name.c_str(), OnControl, nullptr);
  if (!g_service.statusHandle) return;
  const KernelHandle stopRequested(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_service.stopRequested = stopRequested.get();
  Report(SERVICE_RUNNING);
  WaitForSingleObject(stopRequested.get(), INFINITE);
  if (!g_service.holdStop.empty()) {
    const std::wstring stopping = g_service.holdStop + L"-stopping";
    const KernelHandle told(OpenEventW(EVENT_MODIFY_STATE, FALSE, stopping.c_str()));
    const KernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, g_service.holdStop.c_str()));
    if (told) SetEvent(told.get());
    if (release) WaitForSingleObject(release.get(), kLongestHoldMs);
  }
  Report(SERVICE_STOPPED);
}

int RunService(const Options& options) {
  g_service.name = options.service;
  g_service.holdStop = options.holdStop;
  SERVICE_TABLE_ENTRYW table[] = {{g_service.name.data(), ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherW(table)) {
    std::fprintf(stderr, "fake-client: not started as the service %ls (error %lu)\n",
                 options.service.c_str(), GetLastError());
    return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const Options options = ParseOptions(argc, argv);
  const std::wstring logPath = LogPath(options);
  const FileHandle held(options.hold.empty()
                            ? INVALID_HANDLE_VALUE
                            : CreateFileW(options.hold.c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!logPath.empty()) AppendStartLine(logPath);
  if (!options.service.empty()) return RunService(options);
  Sleep(options.holdForMs ? options.holdForMs : INFINITE);
  return 0;
}
