// Helpers shared by the package tests: where src/uires is, reading files, scratch folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace uires_test {

// The package folder src/uires as a UTF-8 path (given by the build).
std::string PackageFolder();
std::filesystem::path PackagePath();

// The whole file; fails the calling test (and returns nothing) when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

// A fresh, uniquely named folder under the temporary folder, removed with everything in it on
// destruction.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string Utf8() const { return m_path.u8string(); }
  // Creates `relative` (UTF-8, parent folders included) holding `content`.
  void WriteFile(const std::string& relative, const std::string& content) const;

 private:
  std::filesystem::path m_path;
};

}  // namespace uires_test
