// The vendor's Ed25519 signature over a version check answer. What is signed is the text
// "zorvik-update-v1\n" followed by the client type id, "version_number", "url", "sha256" and
// "expires", each followed by "\n" (numbers in decimal). An answer with "directory_sha256" signs
// "zorvik-update-v2\n" and the same lines, then that member and "\n": neither text can pass for
// the other. Keys and signatures travel as lowercase hex. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "workflow/version_answer.h"

namespace update {

constexpr std::size_t kPublicKeyHexLength = 64;
constexpr std::size_t kSecretKeyHexLength = 128;
constexpr std::size_t kSignatureHexLength = 128;
constexpr std::size_t kSha256HexLength = 64;

enum class OfferCheck {
  kAccepted,
  kUnsigned,        // "sha256", "expires" or "signature" missing
  kMalformed,       // a signed member of the wrong form, or a malformed "sha256" or
                    // "directory_sha256" in any build
  kWrongSignature,  // not signed by the vendor's key, or changed after signing
  kExpired,         // "expires" lies in the past
};

// The line that says why an answer was refused; empty for kAccepted.
const char* OfferCheckMessage(OfferCheck check);

// The bytes the signature covers; the signed members as the answer gives them ("" when absent).
std::string SignedText(std::int32_t clientTypeId, const PackageOffer& offer);

// With no key (an empty `publicKeyHex`) an answer needs no signature, but a "sha256" it carries
// must be 64 hex characters. With a key, the answer must carry all three signed members, well
// formed, signed by that key, and an "expires" not before `now` (Unix seconds).
OfferCheck CheckOffer(const PackageOffer& offer, std::int32_t clientTypeId,
                      std::string_view publicKeyHex, std::int64_t now);

// The signature, in hex, of `offer` by the secret key (128 hex characters); null when the key
// is malformed.
std::optional<std::string> SignOffer(const PackageOffer& offer, std::int32_t clientTypeId,
                                     std::string_view secretKeyHex);

struct ReleaseKeyPair {
  std::string publicHex;
  std::string secretHex;
};
ReleaseKeyPair MakeReleaseKeyPair();

// True when `text` is exactly `length` hex digits (either case).
bool IsHex(std::string_view text, std::size_t length);

// Well-formed hex to bytes; false when `text` is not 2 * `size` hex digits.
bool HexToBytes(std::string_view text, unsigned char* bytes, std::size_t size);
std::string BytesToHex(const unsigned char* bytes, std::size_t size);

}  // namespace update
