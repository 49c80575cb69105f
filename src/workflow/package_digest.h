// The SHA-256 of the package, taken as its bytes go by, so the file is never read twice.
// Portable.
#pragma once

#include <sodium.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace update {

class PackageDigest {
 public:
  PackageDigest();
  void Add(const void* bytes, std::size_t size);
  std::string FinishHex();  // lowercase; the digest starts again afterwards

 private:
  crypto_hash_sha256_state m_state;
};

// True when `expectedHex` (either case) is the digest `actualHex`.
bool DigestMatches(std::string_view actualHex, std::string_view expectedHex);

}  // namespace update
