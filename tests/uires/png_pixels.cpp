#include "png_pixels.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace uires_test {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

}  // namespace

std::optional<PngHeader> ReadPngHeader(const std::vector<std::uint8_t>& png) {
  if (png.size() < 8 + 8 + 13 + 4 || std::memcmp(png.data(), kSignature, 8) != 0) {
    return std::nullopt;
  }
  if (BigEndian32(&png[8]) != 13 || std::memcmp(&png[12], "IHDR", 4) != 0) return std::nullopt;
  PngHeader header;
  header.width = BigEndian32(&png[16]);
  header.height = BigEndian32(&png[20]);
  header.bitDepth = png[24];
  header.colourType = png[25];
  header.interlace = png[28];
  static const std::uint8_t kIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  header.endsWithIend = std::memcmp(&png[png.size() - 12], kIend, 12) == 0;
  return header;
}

std::optional<PngPixels> DecodePng(const std::vector<std::uint8_t>& png, std::string& error) {
  const auto fail = [&error](const char* why) {
    error = why;
    return std::optional<PngPixels>();
  };
  const std::optional<PngHeader> header = ReadPngHeader(png);
  if (!header) return fail("not a PNG");
  if (header->bitDepth != 8 || (header->colourType != 2 && header->colourType != 6) ||
      header->interlace != 0) {
    return fail("not 8-bit non-interlaced RGB or RGBA");
  }
  // Join the IDAT chunks.
  std::vector<std::uint8_t> compressed;
  for (std::size_t pos = 8; pos + 12 <= png.size();) {
    const std::uint32_t length = BigEndian32(&png[pos]);
    if (length > png.size() - pos - 12) return fail("chunk beyond the end");
    if (std::memcmp(&png[pos + 4], "IDAT", 4) == 0) {
      compressed.insert(compressed.end(), &png[pos + 8], &png[pos + 8] + length);
    }
    pos += 12 + std::size_t{length};
  }
  const std::size_t channels = header->colourType == 6 ? 4 : 3;
  const std::size_t stride = header->width * channels;
  std::vector<std::uint8_t> raw((stride + 1) * header->height);
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &rawSize, compressed.data(), static_cast<uLong>(compressed.size())) !=
          Z_OK ||
      rawSize != raw.size()) {
    return fail("image data does not inflate to the image size");
  }
  // Undo the per-row filters in place.
  for (std::uint32_t y = 0; y < header->height; ++y) {
    std::uint8_t* row = &raw[y * (stride + 1) + 1];
    const std::uint8_t* up = y > 0 ? row - (stride + 1) : nullptr;
    const int filter = row[-1];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= channels ? row[i - channels] : 0;
      const int b = up ? up[i] : 0;
      const int c = up && i >= channels ? up[i - channels] : 0;
      int predictor = 0;
      switch (filter) {
        case 0:
          predictor = 0;
          break;
        case 1:
          predictor = a;
          break;
        case 2:
          predictor = b;
          break;
        case 3:
          predictor = (a + b) / 2;
          break;
        case 4:
          predictor = Paeth(a, b, c);
          break;
        default:
          return fail("unknown row filter");
      }
      row[i] = static_cast<std::uint8_t>(row[i] + predictor);
    }
  }
  PngPixels pixels;
  pixels.width = header->width;
  pixels.height = header->height;
  pixels.rgba.reserve(std::size_t{header->width} * header->height * 4);
  for (std::uint32_t y = 0; y < header->height; ++y) {
    const std::uint8_t* row = &raw[y * (stride + 1) + 1];
    for (std::uint32_t x = 0; x < header->width; ++x) {
      const std::uint8_t* p = row + x * channels;
      pixels.rgba.insert(pixels.rgba.end(),
                         {p[0], p[1], p[2], channels == 4 ? p[3] : std::uint8_t{255}});
    }
  }
  return pixels;
}

}  // namespace uires_test
