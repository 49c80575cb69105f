// The package as the routes serve it: a file on disk read piece by piece, so a package of
// hundreds of megabytes costs no more memory than a small one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vendor_stub {

class PackageFile {
 public:
  PackageFile() = default;
  PackageFile(PackageFile&& other) noexcept;
  PackageFile& operator=(PackageFile&& other) noexcept;
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;
  ~PackageFile();

  // Opens `path` and takes its size now. False with the reason in `error`.
  bool Open(const std::string& path, std::string& error);

  std::uint64_t size() const { return m_size; }
  const std::string& path() const { return m_path; }

  // Reads up to `length` bytes at `offset` (any thread). Returns the count read: less than
  // asked only at the end of the file or on a read error.
  std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t length) const;

 private:
  int m_fd = -1;
  std::uint64_t m_size = 0;
  std::string m_path;
};

}  // namespace vendor_stub
