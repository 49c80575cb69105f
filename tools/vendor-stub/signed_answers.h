// Signed version answers: the members a signing service adds to a good answer, and the signing
// scenarios, each a correctly signed answer spoiled in one way (or an unsigned one with a
// "sha256").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "package_digests.h"
#include "scenarios.h"
#include "workflow/version_answer.h"

namespace vendor_stub {

struct SigningKeys {
  std::string secretHex;       // --signing-key; empty: answers are not signed
  std::string otherSecretHex;  // made at start, for signed-other-key
};

// What every answer to one request is made of.
struct AnswerBasis {
  std::int32_t clientTypeId = 0;  // of the request
  std::string version;
  std::string packageUrl;  // the package of good answers
  std::string changedUrl;  // this stub's /package/changed
  std::int64_t now = 0;    // Unix seconds
};

constexpr std::int64_t kSignedLifetime = 3600;

// Adds "sha256" (and "directory_sha256" when the package records its items), "expires" and
// "signature" (made with `secretHex`) to `offer`.
void Sign(update::PackageOffer& offer, std::int32_t clientTypeId, const PackageDigests& digests,
          std::int64_t expires, const std::string& secretHex);

// The offer of a signing scenario; null when it needs a signing key and there is none.
std::optional<update::PackageOffer> SigningScenarioOffer(Scenario scenario,
                                                         const AnswerBasis& basis,
                                                         const SigningKeys& keys,
                                                         const PackageDigests& digests);

// {"success":true,"version_number":...,"url":...}, then the signing members the offer has.
std::string AnswerJson(const update::PackageOffer& offer);

}  // namespace vendor_stub
