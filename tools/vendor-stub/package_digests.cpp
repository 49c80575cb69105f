#include "package_digests.h"

#include <algorithm>
#include <vector>

#include "workflow/package_digest.h"

#include "package_index.h"

namespace vendor_stub {

std::uint64_t ChangedByteOffset(std::uint64_t size) {
  constexpr std::uint64_t kZipLocalTime = 10;
  return size > kZipLocalTime ? kZipLocalTime : (size == 0 ? 0 : size - 1);
}

bool DigestPackage(const PackageFile& package, PackageDigests& digests, std::string& error) {
  update::PackageDigest whole;
  update::PackageDigest changed;
  const std::uint64_t size = package.size();
  const std::uint64_t changedAt = ChangedByteOffset(size);
  std::vector<char> buffer(1024 * 1024);
  for (std::uint64_t offset = 0; offset < size;) {
    const auto length =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
    if (package.ReadAt(offset, buffer.data(), length) != length) {
      error = "cannot read the package at " + std::to_string(offset);
      return false;
    }
    whole.Add(buffer.data(), length);
    if (changedAt >= offset && changedAt < offset + length) {
      char& byte = buffer[static_cast<std::size_t>(changedAt - offset)];
      byte = ChangedByte(byte);
    }
    changed.Add(buffer.data(), length);
    offset += length;
  }
  digests.whole = whole.FinishHex();
  digests.changed = changed.FinishHex();
  digests.directory = release_sign::DirectoryDigestOf(package.path());
  // The end record is the last one in the package's last bytes (its comment may hold 64 KiB).
  const std::uint64_t reach = std::min<std::uint64_t>(size, 22 + 0xFFFF);
  std::string tail(static_cast<std::size_t>(reach), '\0');
  if (package.ReadAt(size - reach, tail.data(), tail.size()) == tail.size()) {
    const std::size_t at = tail.rfind(std::string("PK\x05\x06", 4));
    if (at != std::string::npos && at + 22 <= tail.size()) digests.endRecord = size - reach + at;
  }
  return true;
}

}  // namespace vendor_stub
