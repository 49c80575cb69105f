// Where the vendor-stub of this test run listens. The ctest fixture starts it and names its
// folder in UPDATE_VENDOR_STUB_DIR (a Windows path for Windows test programs).
#pragma once

#include <string>
#include <vector>

namespace update::testing {

struct StubConnection {
  std::string baseUrl;      // "http://127.0.0.1:<port>"
  std::string hostAndPort;  // "127.0.0.1:<port>"
  std::string reportFile;   // the bodies of POST /log, one per line
};

// Fails the current test (and returns false) when the stub's folder or port is unknown.
bool FindStub(StubConnection& stub);

// The lines of the stub's report file.
std::vector<std::string> ReadReportLines(const StubConnection& stub);

// A TCP port on 127.0.0.1 that refuses connections for the object's lifetime: a socket is
// bound to it but never listens.
class RefusingPort {
 public:
  RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  ~RefusingPort();
  int port() const { return m_port; }

 private:
  long long m_socket;
  int m_port = 0;
};

}  // namespace update::testing
