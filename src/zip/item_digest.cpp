#include "zip/item_digest.h"

#include <cstring>

#include "zip/little_endian.h"

namespace update::zip {
namespace {

constexpr uint8_t kVersion = 1;
constexpr size_t kDataSize = 1 + 8 + 32;

}  // namespace

std::optional<ItemDigest> FindItemDigest(const uint8_t* extra, size_t size) {
  size_t at = 0;
  while (size - at >= 4) {
    const uint16_t id = ReadU16(extra + at);
    const size_t length = ReadU16(extra + at + 2);
    const size_t data = at + 4;
    if (length > size - data) return std::nullopt;
    if (id == kItemDigestBlockId) {
      if (length != kDataSize || extra[data] != kVersion) return std::nullopt;
      ItemDigest digest;
      for (int i = 7; i >= 0; --i) digest.size = (digest.size << 8) | extra[data + 1 + i];
      std::memcpy(digest.sha256.data(), extra + data + 9, digest.sha256.size());
      return digest;
    }
    at = data + length;
  }
  return std::nullopt;
}

std::string ItemDigestBlock(const ItemDigest& digest) {
  std::string block;
  const auto put = [&block](uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) block += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(kItemDigestBlockId, 2);
  put(kDataSize, 2);
  put(kVersion, 1);
  put(digest.size, 8);
  block.append(reinterpret_cast<const char*>(digest.sha256.data()), digest.sha256.size());
  return block;
}

}  // namespace update::zip
