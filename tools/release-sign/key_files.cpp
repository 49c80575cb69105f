#include "key_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "file_reading.h"
#include "unique_fd.h"

namespace release_sign {
namespace {

// Creates `path`, which must not exist, with `mode` from the start and writes `text` to it.
bool CreateWith(const std::string& path, mode_t mode, const std::string& text, bool& created,
                std::string& error) {
  created = false;
  UniqueFd file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (file.get() < 0) {
    error = errno == EEXIST ? path + " exists already; it is not overwritten"
                            : "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  created = true;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(file.get(), text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error = "cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (!file.Close()) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool ReadKeyFile(const std::string& path, std::size_t hexLength, std::string& hex,
                 std::string& error) {
  std::string text;
  if (!ReadSmallFile(path, text, error)) return false;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (!update::IsHex(text, hexLength)) {
    error = path + " is no key file: it must hold " + std::to_string(hexLength) +
            " hex characters and a newline";
    return false;
  }
  hex = std::move(text);
  return true;
}

bool WriteKeyFiles(const std::string& prefix, const update::ReleaseKeyPair& pair,
                   std::string& error) {
  if (pair.publicHex.empty() || pair.secretHex.empty()) {
    error = "cannot make a key pair (no source of randomness)";
    return false;
  }
  const std::string secretPath = prefix + ".secret";
  const std::string publicPath = prefix + ".public";
  bool secretCreated = false;
  bool publicCreated = false;
  if (CreateWith(secretPath, 0600, pair.secretHex + "\n", secretCreated, error) &&
      CreateWith(publicPath, 0644, pair.publicHex + "\n", publicCreated, error)) {
    return true;
  }
  // Only what this call created goes again.
  if (secretCreated) unlink(secretPath.c_str());
  if (publicCreated) unlink(publicPath.c_str());
  return false;
}

}  // namespace release_sign
