// The stand-in service: routes, answers and its own lifetime (stop request or idle limit).
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>

#include "options.h"
#include "scenarios.h"

namespace vendor_stub {

class StubServer {
 public:
  StubServer(Options options, std::string package);
  StubServer(const StubServer&) = delete;
  StubServer& operator=(const StubServer&) = delete;

  // Opens the report file and binds 127.0.0.1 on the configured port (0: any free one).
  // Returns the port, or -1 after a message on standard error.
  int Start();

  // Serves until Stop() is called or no request has come for the idle limit. False when
  // serving failed.
  bool Run();

  // Ends Run(): wakes every waiting answer and closes the listening socket. Any thread.
  void Stop();

 private:
  using Clock = std::chrono::steady_clock;

  void AddRoutes();
  void Answer(Scenario scenario, const httplib::Request& request, httplib::Response& response);
  void ServePackage(httplib::Response& response);
  void ServePackageCut(httplib::Response& response);
  void ServePackageDrip(httplib::Response& response);
  void AppendReport(const std::string& body, httplib::Response& response);
  std::string GoodAnswer(const std::string& packagePath) const;
  std::string BaseUrl() const;

  // Waits up to `duration` for Stop(); true when stopping. Counts as activity while it waits.
  bool WaitForStop(Clock::duration duration);
  void Touch();
  void WatchIdle();

  const Options m_options;
  const std::string m_package;
  int m_port = -1;
  httplib::Server m_server;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stopping = false;
  bool m_servingEnded = false;
  std::atomic<Clock::rep> m_lastActivity;

  std::mutex m_reportMutex;
  std::ofstream m_report;
};

}  // namespace vendor_stub
