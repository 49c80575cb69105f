#include "toolkit/core/png_image_source.h"

#include <cstdint>
#include <cstring>

namespace toolkit {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t ReadBigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

}  // namespace

std::optional<Size> ReadPngSize(const ResourceBytes& bytes) {
  // Signature (8), then the IHDR chunk: length (4), "IHDR" (4), 13 data bytes, CRC (4).
  if (bytes.size() < 8 + 4 + 4 + 13 + 4) return std::nullopt;
  const uint8_t* data = bytes.data();
  if (std::memcmp(data, kSignature, sizeof kSignature) != 0) return std::nullopt;
  if (ReadBigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) {
    return std::nullopt;
  }
  const uint32_t width = ReadBigEndian32(data + 16);
  const uint32_t height = ReadBigEndian32(data + 20);
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
    return std::nullopt;
  }
  return Size{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<Size> PngImageSource::GetImageSize(std::string_view name) const {
  const std::optional<ResourceBytes> bytes = m_provider.Load(name);
  if (!bytes) return std::nullopt;
  return ReadPngSize(*bytes);
}

}  // namespace toolkit
