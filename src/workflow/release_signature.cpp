#include "workflow/release_signature.h"

#include <sodium.h>

#include <cerrno>
#include <cstdlib>

namespace update {
namespace {

constexpr char kSignedPrefix[] = "zorvik-update-v1\n";
constexpr char kSignedPrefixWithDirectory[] = "zorvik-update-v2\n";

bool SodiumReady() {
  return sodium_init() >= 0;  // idempotent and thread-safe
}

bool IsInteger(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

const char* OfferCheckMessage(OfferCheck check) {
  switch (check) {
    case OfferCheck::kAccepted:
      return "";
    case OfferCheck::kUnsigned:
      return "the answer is not signed (\"sha256\", \"expires\" or \"signature\" missing)";
    case OfferCheck::kMalformed:
      return "a signed member of the answer is malformed";
    case OfferCheck::kWrongSignature:
      return "the answer's signature is not the vendor's";
    case OfferCheck::kExpired:
      return "the answer has expired";
  }
  return "";
}

bool IsHex(std::string_view text, std::size_t length) {
  if (text.size() != length) return false;
  for (const char c : text) {
    const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit) return false;
  }
  return true;
}

bool HexToBytes(std::string_view text, unsigned char* bytes, std::size_t size) {
  if (!IsHex(text, 2 * size)) return false;
  std::size_t written = 0;
  return sodium_hex2bin(bytes, size, text.data(), text.size(), nullptr, &written, nullptr) == 0 &&
         written == size;
}

std::string BytesToHex(const unsigned char* bytes, std::size_t size) {
  std::string hex(2 * size + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes, size);
  hex.pop_back();
  return hex;
}

std::string SignedText(std::int32_t clientTypeId, const PackageOffer& offer) {
  std::string text = offer.directorySha256 ? kSignedPrefixWithDirectory : kSignedPrefix;
  for (const std::string& field : {std::to_string(clientTypeId), offer.version, offer.url,
                                   offer.sha256.value_or(""), offer.expires.value_or("")}) {
    text += field;
    text += '\n';
  }
  if (offer.directorySha256) text += *offer.directorySha256 + '\n';
  return text;
}

OfferCheck CheckOffer(const PackageOffer& offer, std::int32_t clientTypeId,
                      std::string_view publicKeyHex, std::int64_t now) {
  for (const std::optional<std::string>& digest : {offer.sha256, offer.directorySha256}) {
    if (digest && !IsHex(*digest, kSha256HexLength)) return OfferCheck::kMalformed;
  }
  if (publicKeyHex.empty()) return OfferCheck::kAccepted;
  if (!offer.sha256 || !offer.expires || !offer.signature) return OfferCheck::kUnsigned;
  unsigned char key[crypto_sign_PUBLICKEYBYTES];
  unsigned char signature[crypto_sign_BYTES];
  if (!IsInteger(*offer.expires) || !HexToBytes(*offer.signature, signature, sizeof signature)) {
    return OfferCheck::kMalformed;
  }
  if (!SodiumReady() || !HexToBytes(publicKeyHex, key, sizeof key)) {
    return OfferCheck::kWrongSignature;
  }
  const std::string text = SignedText(clientTypeId, offer);
  if (crypto_sign_verify_detached(signature, reinterpret_cast<const unsigned char*>(text.data()),
                                  text.size(), key) != 0) {
    return OfferCheck::kWrongSignature;
  }
  // The integer was signed as written; one past the 64-bit range cannot be a date to honour.
  errno = 0;
  const long long expires = std::strtoll(offer.expires->c_str(), nullptr, 10);
  if (errno == ERANGE || expires < now) return OfferCheck::kExpired;
  return OfferCheck::kAccepted;
}

std::optional<std::string> SignOffer(const PackageOffer& offer, std::int32_t clientTypeId,
                                     std::string_view secretKeyHex) {
  unsigned char key[crypto_sign_SECRETKEYBYTES];
  if (!SodiumReady() || !HexToBytes(secretKeyHex, key, sizeof key)) return std::nullopt;
  const std::string text = SignedText(clientTypeId, offer);
  unsigned char signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(text.data()),
                       text.size(), key);
  sodium_memzero(key, sizeof key);
  return BytesToHex(signature, sizeof signature);
}

ReleaseKeyPair MakeReleaseKeyPair() {
  unsigned char public_key[crypto_sign_PUBLICKEYBYTES];
  unsigned char secret_key[crypto_sign_SECRETKEYBYTES];
  if (!SodiumReady()) return {};
  crypto_sign_keypair(public_key, secret_key);
  ReleaseKeyPair pair{BytesToHex(public_key, sizeof public_key),
                      BytesToHex(secret_key, sizeof secret_key)};
  sodium_memzero(secret_key, sizeof secret_key);
  return pair;
}

}  // namespace update
