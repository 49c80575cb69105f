#include "connection_reset.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

namespace vendor_stub {
namespace {

// How long the bytes already written get to reach the peer before the reset.
constexpr std::chrono::seconds kDeliveryLimit(2);

int PortOf(const sockaddr_in& address) {
  return ntohs(address.sin_port);
}

bool IsConnection(int fd, int localPort, int remotePort) {
  sockaddr_in local{};
  sockaddr_in remote{};
  socklen_t localSize = sizeof local;
  socklen_t remoteSize = sizeof remote;
  return getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
         local.sin_family == AF_INET && PortOf(local) == localPort &&
         getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteSize) == 0 &&
         PortOf(remote) == remotePort;
}

int FindConnection(int localPort, int remotePort) {
  std::error_code failure;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", failure)) {
    char* end = nullptr;
    const std::string name = entry.path().filename().string();
    const long fd = std::strtol(name.c_str(), &end, 10);
    if (*end == '\0' && IsConnection(static_cast<int>(fd), localPort, remotePort)) {
      return static_cast<int>(fd);
    }
  }
  return -1;
}

// A reset discards whatever the socket still holds, so the bytes written before it would be lost
// at random. They are given a moment to be taken up by the peer (acknowledged) first.
void AwaitDelivery(int fd) {
  const auto end = std::chrono::steady_clock::now() + kDeliveryLimit;
  int queued = 0;
  while (ioctl(fd, SIOCOUTQ, &queued) == 0 && queued > 0 &&
         std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace

bool ResetConnection(int localPort, int remotePort) {
  const int fd = FindConnection(localPort, remotePort);
  if (fd < 0) return false;
  AwaitDelivery(fd);
  const linger abortive{1, 0};
  if (setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive) != 0) return false;
  const int standIn = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (standIn < 0) return false;
  // dup2 closes the socket (the abortive close sends the reset) and puts the stand-in in its
  // place in one step, so the number is never free for another thread to take.
  const bool replaced = dup2(standIn, fd) == fd;
  close(standIn);
  return replaced;
}

}  // namespace vendor_stub
