#include "zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace update::testing {
namespace {

void AppendU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void AppendU32(std::string& out, uint32_t value) {
  AppendU16(out, static_cast<uint16_t>(value));
  AppendU16(out, static_cast<uint16_t>(value >> 16));
}

uint32_t Crc32(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

class Encryptor {
 public:
  explicit Encryptor(const std::string& password) {
    for (char c : password) Update(static_cast<uint8_t>(c));
  }
  std::string Encrypt(const std::string& plain) {
    std::string out;
    for (char c : plain) {
      const uint32_t temp = (keys_[2] | 2) & 0xFFFF;
      out += static_cast<char>(static_cast<uint8_t>(c) ^
                               static_cast<uint8_t>((temp * (temp ^ 1)) >> 8));
      Update(static_cast<uint8_t>(c));
    }
    return out;
  }

 private:
  static uint32_t CrcByte(uint32_t crc, uint8_t byte) {
    return static_cast<uint32_t>(get_crc_table()[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
  }
  void Update(uint8_t c) {
    keys_[0] = CrcByte(keys_[0], c);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = CrcByte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
  }
  uint32_t keys_[3] = {0x12345678, 0x23456789, 0x34567890};
};

}  // namespace

std::string RawDeflate(const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

std::string ExtraBlock(uint16_t id, const std::string& data) {
  std::string out;
  AppendU16(out, id);
  AppendU16(out, static_cast<uint16_t>(data.size()));
  return out + data;
}

std::string ExtendedTimestamp(uint8_t flags, int32_t write, int32_t access, int32_t creation) {
  std::string data(1, static_cast<char>(flags));
  const int32_t times[] = {write, access, creation};
  for (int bit = 0; bit < 3; ++bit) {
    if (flags & (1 << bit)) AppendU32(data, static_cast<uint32_t>(times[bit]));
  }
  return ExtraBlock(0x5455, data);
}

void PutU16(std::string& out, size_t at, uint16_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& out, size_t at, uint32_t value) {
  PutU16(out, at, static_cast<uint16_t>(value));
  PutU16(out, at + 2, static_cast<uint16_t>(value >> 16));
}

BuiltZip BuildZip(const std::vector<ZipItem>& items, const std::string& prefix,
                  const std::string& comment) {
  BuiltZip built;
  std::string archive;
  std::string central;
  for (const ZipItem& item : items) {
    const uint32_t crc = Crc32(item.data);
    std::string payload = item.method == 8 ? RawDeflate(item.data) : item.data;
    uint16_t flags = item.dataDescriptor ? 0x0008 : 0;
    if (!item.password.empty()) {
      flags |= 0x0001;
      std::string header = "\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB";
      header += static_cast<char>(item.dataDescriptor ? item.dosTime >> 8 : crc >> 24);
      payload = Encryptor(item.password).Encrypt(header + payload);
    }
    const uint32_t compressedSize = static_cast<uint32_t>(payload.size());
    const uint32_t size = static_cast<uint32_t>(item.data.size());
    const uint32_t localOffset = static_cast<uint32_t>(archive.size());

    built.localHeaders.push_back(prefix.size() + archive.size());
    AppendU32(archive, 0x04034B50);
    AppendU16(archive, 20);
    AppendU16(archive, flags);
    AppendU16(archive, item.method);
    AppendU16(archive, item.dosTime);
    AppendU16(archive, item.dosDate);
    AppendU32(archive, item.dataDescriptor ? 0 : crc);
    AppendU32(archive, item.dataDescriptor ? 0 : compressedSize);
    AppendU32(archive, item.dataDescriptor ? 0 : size);
    AppendU16(archive, static_cast<uint16_t>(item.name.size()));
    AppendU16(archive, static_cast<uint16_t>(item.localExtra.size()));
    archive += item.name + item.localExtra;
    built.data.push_back(prefix.size() + archive.size());
    archive += payload;
    if (item.dataDescriptor) {
      AppendU32(archive, 0x08074B50);
      AppendU32(archive, crc);
      AppendU32(archive, compressedSize);
      AppendU32(archive, size);
    }

    std::string header;
    AppendU32(header, 0x02014B50);
    AppendU16(header, item.versionMadeBy);
    AppendU16(header, 20);
    AppendU16(header, flags);
    AppendU16(header, item.method);
    AppendU16(header, item.dosTime);
    AppendU16(header, item.dosDate);
    AppendU32(header, crc);
    AppendU32(header, compressedSize);
    AppendU32(header, size);
    AppendU16(header, static_cast<uint16_t>(item.name.size()));
    AppendU16(header, static_cast<uint16_t>(item.centralExtra.size()));
    AppendU16(header, 0);  // comment
    AppendU16(header, 0);  // disk
    AppendU16(header, 0);  // internal attributes
    AppendU32(header, item.externalAttributes);
    AppendU32(header, localOffset);
    central += header + item.name + item.centralExtra;
  }
  const uint32_t centralOffset = static_cast<uint32_t>(archive.size());
  size_t at = prefix.size() + archive.size();
  for (size_t i = 0, offset = 0; i < items.size(); ++i) {
    built.centralHeaders.push_back(at + offset);
    offset += 46 + items[i].name.size() + items[i].centralExtra.size();
  }
  archive += central;
  built.endRecord = prefix.size() + archive.size();
  AppendU32(archive, 0x06054B50);
  AppendU16(archive, 0);
  AppendU16(archive, 0);
  AppendU16(archive, static_cast<uint16_t>(items.size()));
  AppendU16(archive, static_cast<uint16_t>(items.size()));
  AppendU32(archive, static_cast<uint32_t>(central.size()));
  AppendU32(archive, centralOffset);
  AppendU16(archive, static_cast<uint16_t>(comment.size()));
  archive += comment;
  built.bytes = prefix + archive;
  return built;
}

}  // namespace update::testing
