#include "sys_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace update::test {

std::wstring UniqueName(const std::wstring& prefix) {
  static std::atomic<int> counter{0};
  return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

bool WaitUntil(const std::function<bool()>& done, DWORD boundMs) {
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return done();
    Sleep(10);
  }
  return true;
}

TempFolder::TempFolder(const std::filesystem::path& parent)
    : m_path(parent / UniqueName(L"UpdateSysTest")) {
  std::error_code error;
  EXPECT_TRUE(std::filesystem::create_directories(m_path, error)) << m_path << error.message();
}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(m_path, error);
}

void InstallFakeClient(const std::filesystem::path& path) {
  ASSERT_TRUE(CopyFileW(UPDATE_FAKE_CLIENT, path.c_str(), FALSE))
      << "copying " << UPDATE_FAKE_CLIENT << " to " << path << ": error " << GetLastError();
}

std::vector<std::string> LogLines(const std::filesystem::path& log) {
  std::ifstream in(log, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::filesystem::path& logPath) {
  SetEnvironmentVariableW(L"UPDATE_FAKE_CLIENT_LOG", logPath.c_str());
  std::wstring mutableLine = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL created = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &info);
  SetEnvironmentVariableW(L"UPDATE_FAKE_CLIENT_LOG", nullptr);
  EXPECT_TRUE(created) << "starting " << ::testing::PrintToString(commandLine) << ": error "
                       << GetLastError();
  if (!created) return;
  CloseHandle(info.hThread);
  m_process.Reset(info.hProcess);
  m_id = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (m_process && !HasEnded()) {
    TerminateProcess(m_process.get(), 1);
    WaitForSingleObject(m_process.get(), 10000);
  }
}

bool ChildProcess::HasEnded() const {
  return WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0;
}

}  // namespace update::test
