// A package's record of its items: writing it (each file item's size and SHA-256 in a private
// block of its central header, every other byte as it was), and reading back what the signed
// answer says of it. Zip tools skip such blocks, so the package unpacks as before everywhere.
#pragma once

#include <optional>
#include <string>

namespace release_sign {

// Writes `out`, the package `in` with its file items' digests recorded. False with the reason in
// `error`: a package that is no plain zip archive, one that records them already, an item that
// cannot be read whole.
bool RecordItemDigests(const std::string& in, const std::string& out, std::string& error);

// The SHA-256 (hex) of the central directory of `package` when it is a zip archive that records
// the digest of every file item; nothing otherwise.
std::optional<std::string> DirectoryDigestOf(const std::string& package);

}  // namespace release_sign
