// Stopping and deleting services through the prefix's real Service Control Manager, with the
// stand-in client running as an own-process service. While this test program runs, Wine keeps
// the service processes alive.
#include "sys/driver_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "sys_test_support.h"

namespace update {
namespace {

constexpr char kAllThreeLines[] =
    "OpenSCManager() ok ! \nOpenService() ok ! \nDelServer:eleteSrevice() ok !\n";

ServiceHandle OpenManager() {
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  EXPECT_TRUE(manager) << "error " << GetLastError();
  return manager;
}

// The service's state, or 0 once the Service Control Manager no longer knows it.
DWORD StateOf(const std::wstring& name) {
  const ServiceHandle manager = OpenManager();
  const ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  SERVICE_STATUS status{};
  if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

bool IsGone(const std::wstring& name) {
  const ServiceHandle manager = OpenManager();
  const ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  return !service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
}

// A service registered for one test; stopped and deleted at the end if the test left it.
class ScopedService {
 public:
  ScopedService(const std::wstring& name, DWORD type, const std::wstring& binaryPath)
      : m_name(name) {
    const ServiceHandle manager = OpenManager();
    const ServiceHandle service(CreateServiceW(
        manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, type, SERVICE_DEMAND_START,
        SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(service) << "creating " << ::testing::PrintToString(name) << ": error "
                         << GetLastError();
  }
  // The stand-in client as the own-process service `name`; with `holdStop`, its stop waits
  // until that event is set.
  static std::wstring FakeClientCommand(const std::wstring& name, const std::wstring& holdStop) {
    std::wstring command = L"\"" UPDATE_FAKE_CLIENT L"\" --service " + name;
    return holdStop.empty() ? command : command + L" --hold-stop " + holdStop;
  }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;
  ~ScopedService() {
    const ServiceHandle manager = OpenManager();
    const ServiceHandle service(OpenServiceW(manager.get(), m_name.c_str(), SERVICE_ALL_ACCESS));
    if (!service) return;
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    DeleteService(service.get());
  }

  void StartAndWaitUntilRunning() {
    {
      const ServiceHandle manager = OpenManager();
      const ServiceHandle service(OpenServiceW(manager.get(), m_name.c_str(), SERVICE_START));
      ASSERT_TRUE(StartServiceW(service.get(), 0, nullptr)) << "error " << GetLastError();
    }
    ASSERT_TRUE(test::WaitUntil([&] { return StateOf(m_name) == SERVICE_RUNNING; }));
  }

 private:
  std::wstring m_name;
};

// The events that hold the stand-in service in its stop: it sets "-stopping" when the stop
// control has reached it and then waits for the release. Released when it goes.
class StopHold {
 public:
  StopHold() : m_name(L"Global\\" + test::UniqueName(L"UpdateSysTestRelease")) {
    m_release.Reset(CreateEventW(nullptr, TRUE, FALSE, m_name.c_str()));
    m_stopping.Reset(CreateEventW(nullptr, TRUE, FALSE, (m_name + L"-stopping").c_str()));
    EXPECT_TRUE(m_release && m_stopping);
  }
  ~StopHold() { Release(); }
  bool WaitUntilStopping() { return WaitForSingleObject(m_stopping.get(), 30000) == WAIT_OBJECT_0; }
  void Release() { SetEvent(m_release.get()); }
  const std::wstring& name() const { return m_name; }

 private:
  std::wstring m_name;
  KernelHandle m_release;
  KernelHandle m_stopping;
};

TEST(DriverServiceTest, StopsAndDeletesARunningOwnProcessService) {
  const std::wstring name = L"izorvik_drv";
  ScopedService service(name, SERVICE_WIN32_OWN_PROCESS,
                        ScopedService::FakeClientCommand(name, L""));
  service.StartAndWaitUntilRunning();
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(StopAndDeleteService(name));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), kAllThreeLines);
  EXPECT_TRUE(test::WaitUntil([&] { return IsGone(name); }));
}

// The stop of this service lasts until the test sets it free; the call must outlast it.
TEST(DriverServiceTest, WaitsForTheStoppedStateBeforeItReturns) {
  const std::wstring name = test::UniqueName(L"UpdateSysTestDrv");
  StopHold hold;
  ScopedService service(name, SERVICE_WIN32_OWN_PROCESS,
                        ScopedService::FakeClientCommand(name, hold.name()));
  service.StartAndWaitUntilRunning();
  auto call = std::async(std::launch::async, [&] { return StopAndDeleteService(name); });
  // No Service Control Manager call here while the other thread makes its own: under Wine,
  // calls from two threads of one process at once fail now and then with ERROR_INVALID_HANDLE.
  EXPECT_TRUE(hold.WaitUntilStopping());
  // A call that does not wait returns a few milliseconds after its stop control.
  EXPECT_EQ(call.wait_for(std::chrono::seconds(1)), std::future_status::timeout)
      << "returned while the service was still stopping";
  hold.Release();
  EXPECT_TRUE(call.get());
  EXPECT_TRUE(test::WaitUntil([&] { return IsGone(name); }));
}

// A service still stopping when the wait runs out is deleted all the same, once it stops.
TEST(DriverServiceTest, DeletesAServiceThatOutlastsTheWait) {
  const std::wstring name = test::UniqueName(L"UpdateSysTestDrv");
  StopHold hold;
  ScopedService service(name, SERVICE_WIN32_OWN_PROCESS,
                        ScopedService::FakeClientCommand(name, hold.name()));
  service.StartAndWaitUntilRunning();
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(StopAndDeleteService(name));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), kAllThreeLines);
  EXPECT_EQ(StateOf(name), static_cast<DWORD>(SERVICE_STOP_PENDING));
  hold.Release();
  EXPECT_TRUE(test::WaitUntil([&] { return IsGone(name); }));
}

TEST(DriverServiceTest, AbsentServicePrintsOnlyTheManagerLine) {
  const std::wstring name = test::UniqueName(L"UpdateSysTestAbsent");
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(StopAndDeleteService(name));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "OpenSCManager() ok ! \n");
  EXPECT_FALSE(internal::IsServiceRemovalPending());
  ::testing::internal::CaptureStdout();
  StopDriverService(name);
  internal::WaitForRemovalThreads();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "OpenSCManager() ok ! \n");
}

TEST(DriverServiceTest, DeletesARegisteredKernelDriverThatDoesNotRun) {
  const std::wstring name = test::UniqueName(L"UpdateSysTestKernel");
  ScopedService service(name, SERVICE_KERNEL_DRIVER,
                        L"C:\\windows\\system32\\drivers\\" + name + L".sys");
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(StopAndDeleteService(name));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), kAllThreeLines);
  EXPECT_TRUE(test::WaitUntil([&] { return IsGone(name); }));
}

TEST(DriverServiceTest, FirstStopDriverServiceReturnsOnceTheRemovalHasFinished) {
  if (!internal::IsServiceRemovalPending()) GTEST_SKIP() << "not the first call of this process";
  const std::wstring name = test::UniqueName(L"UpdateSysTestDrv");
  ScopedService service(name, SERVICE_WIN32_OWN_PROCESS,
                        ScopedService::FakeClientCommand(name, L""));
  service.StartAndWaitUntilRunning();
  ::testing::internal::CaptureStdout();
  StopDriverService(name);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), kAllThreeLines);
  EXPECT_FALSE(internal::IsServiceRemovalPending());
  EXPECT_TRUE(test::WaitUntil([&] { return IsGone(name); }));
}

// The removal thread of a second call is held in the service's stop; the call returns anyway.
TEST(DriverServiceTest, SecondStopDriverServiceReturnsAtOnce) {
  StopDriverService(test::UniqueName(L"UpdateSysTestAbsent"));
  internal::WaitForRemovalThreads();
  const std::wstring name = test::UniqueName(L"UpdateSysTestDrv");
  StopHold hold;
  ScopedService service(name, SERVICE_WIN32_OWN_PROCESS,
                        ScopedService::FakeClientCommand(name, hold.name()));
  service.StartAndWaitUntilRunning();
  ::testing::internal::CaptureStdout();
  StopDriverService(name);
  const std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.find("DelServer"), std::string::npos) << printed;
  hold.Release();
  internal::WaitForRemovalThreads();
  EXPECT_TRUE(test::WaitUntil([&] { return IsGone(name); }));
}

}  // namespace
}  // namespace update
