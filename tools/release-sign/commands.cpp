#include "commands.h"

#include <chrono>
#include <iostream>

#include "file_reading.h"
#include "key_files.h"
#include "package_index.h"
#include "workflow/package_digest.h"
#include "workflow/release_signature.h"
#include "workflow/version_answer.h"

namespace release_sign {
namespace {

std::int64_t UnixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int Fail(int code, const std::string& error) {
  std::cerr << "release-sign: " << error << "\n";
  return code;
}

}  // namespace

int Keygen(const std::string& prefix) {
  std::string error;
  if (!WriteKeyFiles(prefix, update::MakeReleaseKeyPair(), error)) return Fail(kRefused, error);
  return kDone;
}

int Sign(const SignRequest& request) {
  std::string secretKey;
  std::string sha256;
  std::string error;
  if (!ReadKeyFile(request.secretKeyFile, update::kSecretKeyHexLength, secretKey, error) ||
      !DigestOfFile(request.packageFile, sha256, error)) {
    return Fail(kRefused, error);
  }
  const std::optional<std::string> directorySha256 = DirectoryDigestOf(request.packageFile);
  std::int64_t expires = 0;
  if (__builtin_add_overflow(UnixNow(), request.expiresIn, &expires)) {
    return Fail(kBadCall, "--expires-in lies beyond the 64-bit range of dates");
  }
  update::PackageOffer offer;
  offer.version = request.version;
  offer.url = request.url;
  offer.sha256 = sha256;
  offer.expires = std::to_string(expires);
  offer.directorySha256 = directorySha256;
  const std::optional<std::string> signature =
      update::SignOffer(offer, request.clientTypeId, secretKey);
  if (!signature) return Fail(kRefused, "cannot sign with " + request.secretKeyFile);
  // Hex and decimal digits only: nothing to escape.
  std::cout << "\"sha256\":\"" << sha256 << "\",\"expires\":" << expires << ",\"signature\":\""
            << *signature << '"';
  if (directorySha256) std::cout << ",\"directory_sha256\":\"" << *directorySha256 << '"';
  std::cout << "\n";
  return kDone;
}

int Index(const std::string& package, const std::string& out) {
  std::string error;
  return RecordItemDigests(package, out, error) ? kDone : Fail(kRefused, error);
}

int Verify(const VerifyRequest& request) {
  std::string publicKey;
  std::string answer;
  std::string error;
  if (!ReadKeyFile(request.publicKeyFile, update::kPublicKeyHexLength, publicKey, error) ||
      !ReadSmallFile(request.answerFile, answer, error)) {
    return Fail(kBadCall, error);
  }
  const std::optional<update::PackageOffer> offer = update::ReadVersionAnswer(answer);
  if (!offer) {
    std::cout << "the answer offers no package (no JSON object with \"success\": true and a "
                 "\"url\")\n";
    return kRefused;
  }
  const update::OfferCheck check =
      update::CheckOffer(*offer, request.clientTypeId, publicKey, UnixNow());
  if (check != update::OfferCheck::kAccepted) {
    std::cout << update::OfferCheckMessage(check) << "\n";
    return kRefused;
  }
  if (request.packageFile) {
    std::string sha256;
    if (!DigestOfFile(*request.packageFile, sha256, error)) return Fail(kBadCall, error);
    // An accepted answer with a key always carries a well-formed "sha256".
    if (!update::DigestMatches(sha256, *offer->sha256)) {
      std::cout << "the package does not match \"sha256\"\n";
      return kRefused;
    }
    const std::optional<std::string> directorySha256 = DirectoryDigestOf(*request.packageFile);
    if (offer->directorySha256 &&
        !(directorySha256 && update::DigestMatches(*directorySha256, *offer->directorySha256))) {
      std::cout << "the package's directory does not match \"directory_sha256\"\n";
      return kRefused;
    }
  }
  std::cout << "good\n";
  return kDone;
}

}  // namespace release_sign
