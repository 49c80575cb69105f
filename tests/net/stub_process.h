// Native only: a vendor-stub process of a test's own, for checks of its lifetime and routes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace update::testing {

class StubProcess {
 public:
  // Starts vendor-stub with `arguments` and waits (up to 10 s) for the port it prints.
  explicit StubProcess(const std::vector<std::string>& arguments);
  StubProcess(const StubProcess&) = delete;
  StubProcess& operator=(const StubProcess&) = delete;
  // Ends the process if it still runs: SIGTERM, and SIGKILL when that does not end it in 10 s.
  ~StubProcess();

  int port() const { return m_port; }  // 0 if it did not start
  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }

  void Signal(int signal) const;

  // Waits for the process to end, up to `bound`. Returns its exit status, or -1 when it is
  // still running at the bound or did not end normally.
  int WaitForExit(std::chrono::milliseconds bound);

 private:
  pid_t m_pid = -1;
  int m_output = -1;  // read end of the stub's standard output
  int m_port = 0;
};

}  // namespace update::testing
