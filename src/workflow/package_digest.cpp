#include "workflow/package_digest.h"

#include "workflow/release_signature.h"

namespace update {

PackageDigest::PackageDigest() {
  // It picks the code for this CPU and fails only without a source of randomness, which
  // hashing does not need.
  [[maybe_unused]] const int ready = sodium_init();
  crypto_hash_sha256_init(&m_state);
}

void PackageDigest::Add(const void* bytes, std::size_t size) {
  crypto_hash_sha256_update(&m_state, static_cast<const unsigned char*>(bytes), size);
}

std::string PackageDigest::FinishHex() {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&m_state, digest);
  crypto_hash_sha256_init(&m_state);
  return BytesToHex(digest, sizeof digest);
}

bool DigestMatches(std::string_view actualHex, std::string_view expectedHex) {
  unsigned char actual[crypto_hash_sha256_BYTES];
  unsigned char expected[crypto_hash_sha256_BYTES];
  return HexToBytes(actualHex, actual, sizeof actual) &&
         HexToBytes(expectedHex, expected, sizeof expected) &&
         sodium_memcmp(actual, expected, sizeof actual) == 0;
}

}  // namespace update
