#include "package_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace vendor_stub {

PackageFile::PackageFile(PackageFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_size(std::exchange(other.m_size, 0)),
      m_path(std::move(other.m_path)) {}

PackageFile& PackageFile::operator=(PackageFile&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
    m_size = std::exchange(other.m_size, 0);
    m_path = std::move(other.m_path);
  }
  return *this;
}

PackageFile::~PackageFile() {
  if (m_fd >= 0) close(m_fd);
}

bool PackageFile::Open(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read package " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat facts {};
  if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    close(fd);
    error = "package " + path + " is not a regular file";
    return false;
  }
  *this = PackageFile();
  m_fd = fd;
  m_size = static_cast<std::uint64_t>(facts.st_size);
  m_path = path;
  return true;
}

std::size_t PackageFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t length) const {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got =
        pread(m_fd, buffer + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace vendor_stub
