#include "zip/item_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace update::zip {
namespace {

constexpr size_t kEncryptionHeaderSize = 12;
constexpr int kRawDeflateWindowBits = -15;  // 32 KiB window, no zlib header

}  // namespace

ItemStream::ItemStream(const ByteSource& source, const CentralHeader& header,
                       const ItemLayout& layout)
    : source_(source),
      deflated_(header.method == kMethodDeflated),
      encrypted_((header.flags & kFlagEncrypted) != 0),
      checkByte_(static_cast<uint8_t>(
          (header.flags & kFlagDataDescriptor) != 0 ? header.dosTime >> 8 : header.crc32 >> 24)),
      expectedCrc_(header.crc32),
      dataStart_(layout.dataStart),
      compressedLeft_(header.compressedSize),
      uncompressedLeft_(header.uncompressedSize),
      headerLeft_(encrypted_ ? kEncryptionHeaderSize : 0) {}

std::unique_ptr<ItemStream> ItemStream::Open(const ByteSource& source, const CentralHeader& header,
                                             const ItemLayout& layout, const char* password) {
  auto stream = std::make_unique<ItemStream>(source, header, layout);
  stream->input_ = std::make_unique<uint8_t[]>(kInputBufferSize);
  if (stream->deflated_) {
    if (inflateInit2(&stream->inflater_, kRawDeflateWindowBits) != Z_OK) return nullptr;
    stream->inflaterReady_ = true;
  }
  if (stream->encrypted_) stream->InitKeys(password);
  return stream;
}

ItemStream::~ItemStream() {
  if (inflaterReady_) inflateEnd(&inflater_);
}

void ItemStream::InitKeys(const char* password) {
  if (password == nullptr) return;
  for (const char* p = password; *p != '\0'; ++p) UpdateKeys(static_cast<uint8_t>(*p));
}

void ItemStream::UpdateKeys(uint8_t plain) {
  static const z_crc_t* const table = get_crc_table();
  const auto crcByte = [](uint32_t crc, uint8_t byte) {
    return static_cast<uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
  };
  keys_[0] = crcByte(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = crcByte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

uint8_t ItemStream::DecryptByte() const {
  const uint32_t temp = (keys_[2] | 2) & 0xFFFF;
  return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
}

bool ItemStream::Refill() {
  const size_t count = static_cast<size_t>(std::min<uint64_t>(kInputBufferSize, compressedLeft_));
  if (!source_.ReadExact(dataStart_ + compressedRead_, input_.get(), count)) return false;
  if (encrypted_) {
    for (size_t i = 0; i < count; ++i) {
      const uint8_t plain = input_[i] ^ DecryptByte();
      UpdateKeys(plain);
      input_[i] = plain;
    }
  }
  compressedRead_ += count;
  compressedLeft_ -= count;
  next_ = input_.get();
  available_ = count;
  return true;
}

StreamStatus ItemStream::Finish() {
  const bool complete = uncompressedLeft_ == 0;
  final_ = complete && crc_ == expectedCrc_ ? StreamStatus::End : StreamStatus::Corrupt;
  return *final_;
}

StreamRead ItemStream::Read(void* buffer, size_t size) {
  if (final_) return {0, *final_};
  uint8_t* out = static_cast<uint8_t*>(buffer);
  size_t produced = 0;
  bool streamEnded = false;
  while (produced < size && uncompressedLeft_ > 0 && !streamEnded) {
    if (available_ == 0 && compressedLeft_ > 0 && !Refill()) {
      final_ = StreamStatus::Failed;
      return {produced, *final_};
    }
    if (headerLeft_ > 0) {
      const size_t skipped = std::min(headerLeft_, available_);
      if (skipped == 0) break;  // the item is shorter than its encryption header
      next_ += skipped;
      available_ -= skipped;
      headerLeft_ -= skipped;
      if (headerLeft_ == 0 && next_[-1] != checkByte_) {
        final_ = StreamStatus::WrongPassword;
        return {0, *final_};
      }
      continue;
    }
    const size_t room =
        static_cast<size_t>(std::min<uint64_t>({size - produced, uncompressedLeft_, UINT_MAX}));
    size_t made = 0;
    if (!deflated_) {
      made = std::min(room, available_);
      if (made == 0) break;  // stored data ends before its declared size
      std::memcpy(out + produced, next_, made);
      next_ += made;
      available_ -= made;
    } else {
      inflater_.next_in = const_cast<Bytef*>(next_);
      inflater_.avail_in = static_cast<uInt>(available_);
      inflater_.next_out = out + produced;
      inflater_.avail_out = static_cast<uInt>(room);
      const int result = inflate(&inflater_, Z_SYNC_FLUSH);
      const size_t consumed = available_ - inflater_.avail_in;
      made = room - inflater_.avail_out;
      next_ += consumed;
      available_ -= consumed;
      if (result == Z_STREAM_END) {
        streamEnded = true;
      } else if (result != Z_OK && result != Z_BUF_ERROR) {
        final_ = StreamStatus::Failed;
        return {produced, *final_};
      } else if (made == 0 && consumed == 0) {
        break;  // inflate wants input the item does not have
      }
    }
    crc_ = static_cast<uint32_t>(crc32(crc_, out + produced, static_cast<uInt>(made)));
    produced += made;
    uncompressedLeft_ -= made;
  }
  if (uncompressedLeft_ == 0 || streamEnded) return {produced, Finish()};
  if (produced == 0) {
    final_ = StreamStatus::Failed;
    return {0, *final_};
  }
  return {produced, StreamStatus::More};
}

}  // namespace update::zip
