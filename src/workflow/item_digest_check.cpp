#include "workflow/item_digest_check.h"

#include <sodium.h>

#include <vector>

#include "workflow/release_signature.h"

namespace update {

std::optional<zip::ItemDigest> DigestOfItem(ArchiveHandle* archive, int index) {
  ArchiveEntry entry{};
  if (getArchiveEntry(archive, index, &entry) != ArchiveResult::Success) return std::nullopt;
  const auto size = static_cast<uint32_t>(entry.uncompressedSize);
  constexpr uint32_t kPiece = 64 * 1024;
  std::vector<unsigned char> piece(kPiece);
  [[maybe_unused]] const int ready = sodium_init();  // hashing needs no randomness
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  // Every piece but the last comes full; the reader checks the count and CRC at the end.
  for (uint32_t done = 0;; done += kPiece) {
    const ArchiveResult result = extractEntryToMemory(archive, index, piece.data(), kPiece);
    if (result != ArchiveResult::MoreData && result != ArchiveResult::Success) return std::nullopt;
    const bool last = result == ArchiveResult::Success;
    if (last && size - done > kPiece) return std::nullopt;
    crypto_hash_sha256_update(&state, piece.data(), last ? size - done : kPiece);
    if (last) break;
  }
  zip::ItemDigest digest;
  digest.size = size;
  crypto_hash_sha256_final(&state, digest.sha256.data());
  return digest;
}

std::string Sha256Hex(const zip::ItemDigest& digest) {
  return BytesToHex(digest.sha256.data(), digest.sha256.size());
}

}  // namespace update
