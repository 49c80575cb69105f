// inflate_rate ARCHIVE: the pure single-thread inflate rate of an archive's deflated items, the
// limit any unpacker of it can reach. Loads the archive into memory first, walks its local
// headers (archives made by zip(1) from files carry their sizes there) and inflates every item
// into a scratch buffer. Prints "<uncompressed bytes> <seconds>".
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

uint32_t U32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: inflate_rate ARCHIVE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> zip((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  std::vector<uint8_t> out(1 << 16);
  uint64_t total = 0;
  const auto start = std::chrono::steady_clock::now();
  size_t at = 0;
  while (at + 30 <= zip.size() && U32(&zip[at]) == 0x04034B50) {
    const uint8_t* header = &zip[at];
    const uint16_t flags = U16(header + 6);
    const uint16_t method = U16(header + 8);
    const uint32_t packed = U32(header + 18);
    const size_t data = at + 30 + U16(header + 26) + U16(header + 28);
    if ((flags & 0x0009) != 0 || data + packed > zip.size()) {
      std::fprintf(stderr, "inflate_rate: needs unencrypted items with sizes in local headers\n");
      return 1;
    }
    if (method == 8) {
      z_stream z{};
      inflateInit2(&z, -15);
      z.next_in = const_cast<Bytef*>(&zip[data]);
      z.avail_in = packed;
      int result = Z_OK;
      while (result == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        result = inflate(&z, Z_NO_FLUSH);
      }
      total += z.total_out;
      inflateEnd(&z);
      if (result != Z_STREAM_END) {
        std::fprintf(stderr, "inflate_rate: inflate failed at %zu\n", at);
        return 1;
      }
    } else {
      total += packed;
    }
    at = data + packed;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu %.3f\n", static_cast<unsigned long long>(total), seconds);
  return 0;
}
