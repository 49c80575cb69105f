// The version check's answer, read as the service writes it: a JSON object whose "success" is
// the literal true and whose "url" is a non-empty string allows the download. Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace update {

struct PackageOffer {
  std::string version;  // "version_number", up to its first NUL; empty when absent
  std::string url;      // "url", up to its first NUL; never empty
  // The members a signing service adds, null when absent. A member of the wrong JSON type is
  // read as "", which no check accepts; "expires" is an integer written in decimal.
  std::optional<std::string> sha256;
  std::optional<std::string> expires;
  std::optional<std::string> signature;
  // The SHA-256 of the package's central directory, when the package records its items' digests
  // (then an update may fetch only the items that changed).
  std::optional<std::string> directorySha256;
};

// Null when the answer refuses the download or is no JSON object: a parse error (also any text
// after the object but white space), "success" not the literal true, or an empty or missing
// "url". Other members are ignored.
std::optional<PackageOffer> ReadVersionAnswer(std::string_view answer);

}  // namespace update
