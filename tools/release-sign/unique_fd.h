// A file descriptor that is closed on every path.
#pragma once

#include <unistd.h>

#include <utility>

namespace release_sign {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (m_fd >= 0) close(m_fd);
  }
  int get() const { return m_fd; }
  // Closes now, so that a failed close (a full disk seen late) can be reported.
  bool Close() { return close(std::exchange(m_fd, -1)) == 0; }

 private:
  int m_fd;
};

}  // namespace release_sign
