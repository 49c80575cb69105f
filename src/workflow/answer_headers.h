// What a package download needs of an HTTP answer's headers to resume a broken transfer: the
// validator (ETag, else Last-Modified), whether byte ranges are served, and where a partial
// answer starts. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace update {

struct AnswerHeaders {
  std::string etag;
  std::string lastModified;
  bool acceptsByteRanges = false;           // "Accept-Ranges: bytes"
  std::optional<std::uint64_t> rangeStart;  // "Content-Range: bytes START-END/SIZE"

  // One header line as the transfer delivers it ("Name: value\r\n"); others are ignored.
  void Read(std::string_view line);
  // What If-Range carries; empty when the answer gave neither validator.
  std::string Validator() const { return etag.empty() ? lastModified : etag; }
};

}  // namespace update
