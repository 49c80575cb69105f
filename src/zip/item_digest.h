// The package's record of what each item holds: a private extra block in the item's central
// header (zip readers skip blocks they do not know) with the item's uncompressed size and the
// SHA-256 of its bytes. The release tool writes it; an update reads it to tell which installed
// files it can keep. Portable.
//
// The block: id 0x7A69 ("iz"), data size 41; then version 1 (one byte), the size (8 bytes, little
// endian) and the SHA-256 (32 bytes).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace update::zip {

constexpr uint16_t kItemDigestBlockId = 0x7A69;

struct ItemDigest {
  uint64_t size = 0;
  std::array<uint8_t, 32> sha256{};
  friend bool operator==(const ItemDigest& a, const ItemDigest& b) {
    return a.size == b.size && a.sha256 == b.sha256;
  }
};

// The first digest block of an extra field; nothing when there is none, or it is malformed or
// of another version.
std::optional<ItemDigest> FindItemDigest(const uint8_t* extra, size_t size);

// The whole block (id, size and data) for `digest`.
std::string ItemDigestBlock(const ItemDigest& digest);

}  // namespace update::zip
