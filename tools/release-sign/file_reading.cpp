#include "file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "unique_fd.h"
#include "workflow/package_digest.h"

namespace release_sign {
namespace {

constexpr std::size_t kPiece = 64 * 1024;

// Hands each piece of the regular file `path` to `take`.
template <typename Take>
bool ReadPieces(const std::string& path, std::string& error, Take take) {
  UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat facts {};
  if (file.get() < 0 || fstat(file.get(), &facts) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(facts.st_mode)) {
    error = "cannot read " + path + ": not a regular file";
    return false;
  }
  std::vector<char> buffer(kPiece);
  for (;;) {
    const ssize_t got = read(file.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = "cannot read " + path + ": " + std::strerror(errno);
      return false;
    }
    if (got == 0) return true;
    take(buffer.data(), static_cast<std::size_t>(got));
  }
}

}  // namespace

bool DigestOfFile(const std::string& path, std::string& hex, std::string& error) {
  update::PackageDigest digest;
  if (!ReadPieces(path, error,
                  [&digest](const char* bytes, std::size_t size) { digest.Add(bytes, size); })) {
    return false;
  }
  hex = digest.FinishHex();
  return true;
}

bool ReadSmallFile(const std::string& path, std::string& text, std::string& error) {
  text.clear();
  return ReadPieces(path, error,
                    [&text](const char* bytes, std::size_t size) { text.append(bytes, size); });
}

}  // namespace release_sign
