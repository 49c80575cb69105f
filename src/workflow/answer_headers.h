// What a package download needs of an HTTP answer's headers to resume a broken transfer: the
// validator (ETag, else Last-Modified), whether byte ranges are served, which bytes a partial
// answer holds, and how long the answer says it is. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace update {

// "Content-Range: bytes FIRST-LAST/SIZE"; SIZE may be "*" (unknown).
struct ContentRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  std::optional<std::uint64_t> size;
};

struct AnswerHeaders {
  std::string etag;
  std::string lastModified;
  bool acceptsByteRanges = false;  // "Accept-Ranges: bytes"
  std::optional<ContentRange> contentRange;
  std::optional<std::uint64_t> contentLength;

  // One header line as the transfer delivers it ("Name: value\r\n"); others are ignored.
  void Read(std::string_view line);
  // What If-Range carries; empty when the answer gave neither validator.
  std::string Validator() const { return etag.empty() ? lastModified : etag; }
};

}  // namespace update
