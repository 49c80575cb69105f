// How the package routes answer a resumed download: the validators they send (ETag and
// Last-Modified) and what a request's Range and If-Range make of the answer. One range is served,
// in any of its three forms ("bytes=N-", "bytes=N-M", "bytes=-N"); any other Range (several
// ranges, another unit) is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vendor_stub {

struct Validators {
  std::string etag;          // quoted, strong
  std::string lastModified;  // an HTTP date
};

// Validators of a package whose SHA-256 is `digestHex`: the same on every answer.
Validators StableValidators(const std::string& digestHex);
// Validators that no earlier answer carried: request `serial` of a route that changes them each
// time.
Validators FreshValidators(const std::string& digestHex, std::uint64_t serial);

struct RangeAnswer {
  enum class Kind {
    kWhole,          // 200 with the whole package
    kPartial,        // 206 from `start` to `last`
    kUnsatisfiable,  // 416: `start` is at or past the end
  };
  Kind kind = Kind::kWhole;
  std::uint64_t start = 0;
  std::uint64_t last = 0;  // inclusive
  bool openEnded = false;  // asked as "bytes=N-"
};

// The answer to a request with these Range and If-Range values (absent when not sent), for a
// package of `size` bytes. A route that does not serve ranges always answers whole.
RangeAnswer AnswerRange(const std::optional<std::string>& range,
                        const std::optional<std::string>& ifRange, const Validators& current,
                        std::uint64_t size, bool servesRanges);

// "bytes START-LAST/SIZE" of a partial answer, "bytes */SIZE" of an unsatisfiable one.
std::string ContentRange(const RangeAnswer& answer, std::uint64_t size);

}  // namespace vendor_stub
