// The SHA-256 digests the stub's answers carry: of the package as served, and of the package as
// /package/changed serves it, one byte off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "package_file.h"

namespace vendor_stub {

// Where /package/changed differs from the package. Byte 10 is the low byte of the first item's
// modification time in a zip archive's first local header; readers take the times from the
// central directory, so the changed archive still unpacks and only its digest gives it away.
// A package of 10 bytes or fewer has its last byte changed; an empty one stays as it is.
std::uint64_t ChangedByteOffset(std::uint64_t size);
inline char ChangedByte(char original) {
  return static_cast<char>(original ^ 0x01);
}

// In lowercase hex.
struct PackageDigests {
  std::string whole;
  std::string changed;
  // Of the central directory, when the package records its items' digests.
  std::optional<std::string> directory;
  // Where the end record lies, when the package is a zip archive.
  std::optional<std::uint64_t> endRecord;
};

// One pass over the package. False with the reason in `error`.
bool DigestPackage(const PackageFile& package, PackageDigests& digests, std::string& error);

}  // namespace vendor_stub
