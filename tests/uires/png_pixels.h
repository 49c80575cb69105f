// A minimal PNG reader for the package tests: the header fields, and the pixels of the
// 8-bit, non-interlaced truecolour images (RGB or RGBA) that the package uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace uires_test {

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitDepth = 0;
  int colourType = 0;  // 2 = RGB, 6 = RGBA
  int interlace = 0;
  bool endsWithIend = false;
};

// The IHDR fields; nothing when the signature or the first chunk is not a PNG header.
std::optional<PngHeader> ReadPngHeader(const std::vector<std::uint8_t>& png);

struct PngPixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // 4 bytes per pixel, rows top to bottom; RGB gets alpha 255

  const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const {
    return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  }
};

// Decodes an 8-bit non-interlaced RGB or RGBA PNG; `error` says why when it returns nothing.
std::optional<PngPixels> DecodePng(const std::vector<std::uint8_t>& png, std::string& error);

}  // namespace uires_test
