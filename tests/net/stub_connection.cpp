#include "stub_connection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace update::testing {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void CloseSocket(Socket s) {
  closesocket(s);
}
#else
constexpr char kSeparator = '/';
using Socket = int;
constexpr Socket kNoSocket = -1;
void CloseSocket(Socket s) {
  close(s);
}
#endif

}  // namespace

bool FindStub(StubConnection& stub) {
  const char* dir = std::getenv("UPDATE_VENDOR_STUB_DIR");
  if (!dir || !*dir) {
    ADD_FAILURE() << "UPDATE_VENDOR_STUB_DIR is not set: run these tests through ctest, whose "
                     "fixture starts vendor-stub";
    return false;
  }
  const std::string folder = dir;
  std::ifstream portFile(folder + kSeparator + "port");
  int port = 0;
  if (!(portFile >> port) || port <= 0) {
    ADD_FAILURE() << "no port of a running vendor-stub in " << folder;
    return false;
  }
  stub.hostAndPort = "127.0.0.1:" + std::to_string(port);
  stub.baseUrl = "http://" + stub.hostAndPort;
  stub.reportFile = folder + kSeparator + "reports.jsonl";
  return true;
}

std::vector<std::string> ReadReportLines(const StubConnection& stub) {
  std::vector<std::string> lines;
  std::ifstream file(stub.reportFile, std::ios::binary);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

RefusingPort::RefusingPort() {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
  const Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  m_socket = static_cast<long long>(s);
  EXPECT_NE(s, kNoSocket) << "socket";
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << "bind";
  socklen_t length = sizeof address;
  EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);
  m_port = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() {
  CloseSocket(static_cast<Socket>(m_socket));
#ifdef _WIN32
  WSACleanup();
#endif
}

}  // namespace update::testing
