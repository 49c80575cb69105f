// One item's data as a stream: read from the archive in fixed pieces, decrypted when the item is
// encrypted, inflated when it is deflated, and checked against its CRC-32 at the end.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "zip/byte_source.h"
#include "zip/central_directory.h"

namespace update::zip {

enum class StreamStatus {
  More,           // bytes were produced and more remain
  End,            // the item is complete and its CRC-32 matched
  Corrupt,        // the item is complete but its size or CRC-32 is wrong
  WrongPassword,  // the encryption header's check byte does not match
  Failed,         // read error, inflate error, or no progress with data still owed
};

struct StreamRead {
  size_t bytes = 0;
  StreamStatus status = StreamStatus::Failed;
};

class ItemStream {
 public:
  static constexpr size_t kInputBufferSize = 16384;

  // Nothing when the stream cannot start (inflate would not initialise).
  static std::unique_ptr<ItemStream> Open(const ByteSource& source, const CentralHeader& header,
                                          const ItemLayout& layout, const char* password);
  ItemStream(const ByteSource& source, const CentralHeader& header, const ItemLayout& layout);
  ~ItemStream();
  ItemStream(const ItemStream&) = delete;
  ItemStream& operator=(const ItemStream&) = delete;

  // Fills up to `size` bytes; once the item is complete every later read repeats its status
  // with 0 bytes.
  StreamRead Read(void* buffer, size_t size);

 private:
  bool Refill();
  StreamStatus Finish();
  void InitKeys(const char* password);
  void UpdateKeys(uint8_t plain);
  uint8_t DecryptByte() const;

  const ByteSource& source_;
  const bool deflated_;
  const bool encrypted_;
  const uint8_t checkByte_;
  const uint32_t expectedCrc_;
  const uint64_t dataStart_;
  uint64_t compressedRead_ = 0;
  uint64_t compressedLeft_;
  uint64_t uncompressedLeft_;
  uint32_t crc_ = 0;
  std::unique_ptr<uint8_t[]> input_;
  const uint8_t* next_ = nullptr;
  size_t available_ = 0;
  size_t headerLeft_;
  uint32_t keys_[3] = {0x12345678, 0x23456789, 0x34567890};
  z_stream inflater_{};
  bool inflaterReady_ = false;
  std::optional<StreamStatus> final_;
};

}  // namespace update::zip
