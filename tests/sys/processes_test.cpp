// Finding and terminating processes by name, against the real process list, with stand-in
// clients started by the test.
#include "sys/processes.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <wtsapi32.h>

#include <algorithm>
#include <memory>

#include "sys_test_support.h"

namespace update {
namespace {

using test::ChildProcess;

class ProcessesTest : public ::testing::Test {
 protected:
  // A stand-in client named `name`, started and seen running (its start line is logged).
  std::unique_ptr<ChildProcess> Start(const std::wstring& name) {
    const std::filesystem::path exe = m_folder.path() / name;
    if (!std::filesystem::exists(exe)) test::InstallFakeClient(exe);
    const size_t before = test::LogLines(m_log).size();
    auto child = std::make_unique<ChildProcess>(L"\"" + exe.wstring() + L"\" 0", m_log);
    EXPECT_TRUE(test::WaitUntil([&] { return test::LogLines(m_log).size() > before; }));
    return child;
  }

  test::TempFolder m_folder;
  std::filesystem::path m_log = m_folder.path() / "starts.log";
};

TEST_F(ProcessesTest, FindsTheWholeNameWithoutRegardToCase) {
  const auto client = Start(L"ZorvikClient.exe");
  const struct {
    std::wstring name;
    bool found;
  } cases[] = {
      {L"ZorvikClient.exe", true}, {L"ZORVIKCLIENT.EXE", true},
      {L"zorvikclient.exe", true}, {L"ZorvikClient", false},
      {L"ZorvikClient.ex", false}, {L"orvikClient.exe", false},
      {L"Zorvik*.exe", false},     {(m_folder.path() / L"ZorvikClient.exe").wstring(), false},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.name));
    EXPECT_EQ(IsProcessRunning(row.name), row.found);
  }
}

TEST_F(ProcessesTest, TerminatesEveryMatchAndReturnsOnceTheyHaveEnded) {
  const std::wstring name = test::UniqueName(L"Client") + L".exe";
  const auto first = Start(name);
  const auto second = Start(name);
  const auto other = Start(test::UniqueName(L"Other") + L".exe");

  EXPECT_TRUE(TerminateProcessesByName(name));
  EXPECT_TRUE(DeleteFileW((m_folder.path() / name).c_str())) << GetLastError();
  EXPECT_TRUE(first->HasEnded());
  EXPECT_TRUE(second->HasEnded());
  EXPECT_FALSE(IsProcessRunning(name));
  DWORD exitCode = 1;
  EXPECT_TRUE(GetExitCodeProcess(first->handle(), &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(other->HasEnded());
}

TEST_F(ProcessesTest, NameThatNoProcessHasEndsNothing) {
  const auto client = Start(test::UniqueName(L"Client") + L".exe");
  EXPECT_TRUE(TerminateProcessesByName(test::UniqueName(L"Nobody") + L".exe"));
  EXPECT_FALSE(client->HasEnded());
}

// The process list's order decides which of two clients comes first; that one refuses to be
// opened for termination (a DACL that grants nothing).
TEST_F(ProcessesTest, StopsAtTheFirstProcessThatCannotBeOpened) {
  const std::wstring name = test::UniqueName(L"Client") + L".exe";
  auto a = Start(name);
  auto b = Start(name);
  WTS_PROCESS_INFOW* entries = nullptr;
  DWORD count = 0;
  ASSERT_TRUE(WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &entries, &count));
  const auto firstListed = std::find_if(entries, entries + count, [&](const auto& entry) {
    return entry.ProcessId == a->id() || entry.ProcessId == b->id();
  });
  const bool aFirst = firstListed != entries + count && firstListed->ProcessId == a->id();
  WTSFreeMemory(entries);
  ChildProcess& locked = aFirst ? *a : *b;
  ChildProcess& open = aFirst ? *b : *a;

  ACL emptyDacl{};
  ASSERT_TRUE(InitializeAcl(&emptyDacl, sizeof emptyDacl, ACL_REVISION));
  ASSERT_EQ(SetSecurityInfo(locked.handle(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &emptyDacl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  const KernelHandle probe(OpenProcess(PROCESS_TERMINATE, FALSE, locked.id()));
  if (probe) GTEST_SKIP() << "this system opens a process whose DACL grants nothing";

  EXPECT_FALSE(TerminateProcessesByName(name));
  EXPECT_FALSE(locked.HasEnded());
  EXPECT_FALSE(open.HasEnded());
}

}  // namespace
}  // namespace update
