// What the system-integration tests share: unique names, bounded waits, temporary folders and
// the stand-in client started as a real process.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sys/scoped_handle.h"

namespace update::test {

// A name no other test or run uses: `prefix`, this process's id and a counter.
std::wstring UniqueName(const std::wstring& prefix);

// Polls `done` until it holds or `boundMs` has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD boundMs = 30000);

// A new folder below %TEMP% (or below `parent`), removed with its contents when it goes.
class TempFolder {
 public:
  explicit TempFolder(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  const std::filesystem::path& path() const { return m_path; }
  // The folder with a trailing backslash, as the installer keeps folders.
  std::wstring dir() const { return m_path.wstring() + L"\\"; }

 private:
  std::filesystem::path m_path;
};

// fake-client.exe copied to `path`.
void InstallFakeClient(const std::filesystem::path& path);

// The lines the stand-in client wrote to `log`, one per start (UTF-8, tab-separated fields).
std::vector<std::string> LogLines(const std::filesystem::path& log);

// A process started with `commandLine` (and `logPath` in UPDATE_FAKE_CLIENT_LOG); ended with
// its handle when it goes, if it still runs.
class ChildProcess {
 public:
  ChildProcess(const std::wstring& commandLine, const std::filesystem::path& logPath);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();
  bool started() const { return static_cast<bool>(m_process); }
  bool HasEnded() const;
  HANDLE handle() const { return m_process.get(); }
  DWORD id() const { return m_id; }

 private:
  KernelHandle m_process;
  DWORD m_id = 0;
};

}  // namespace update::test
