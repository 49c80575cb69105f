// The commands of release-sign. Each returns the program's exit code and writes its own
// output and error lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace release_sign {

// Exit codes shared by the commands.
constexpr int kDone = 0;     // done; for verify: the answer is good
constexpr int kRefused = 1;  // keygen or sign failed; for verify: the answer is refused
constexpr int kBadCall = 2;  // bad arguments; for verify also an unreadable or malformed file

int Keygen(const std::string& prefix);

struct SignRequest {
  std::string secretKeyFile;
  std::int32_t clientTypeId = 0;
  std::string version;
  std::string url;
  std::string packageFile;
  std::int64_t expiresIn = 0;  // seconds from now; negative for a date in the past
};
int Sign(const SignRequest& request);

// Writes `out`: `package` with each file item's size and SHA-256 recorded in its directory.
int Index(const std::string& package, const std::string& out);

struct VerifyRequest {
  std::string publicKeyFile;
  std::int32_t clientTypeId = 0;
  std::string answerFile;
  std::optional<std::string> packageFile;
};
int Verify(const VerifyRequest& request);

}  // namespace release_sign
