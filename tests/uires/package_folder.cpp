#include "package_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace uires_test {
namespace fs = std::filesystem;

std::string PackageFolder() {
  return UPDATE_UIRES_DIR;
}

fs::path PackagePath() {
  return fs::u8path(PackageFolder());
}

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file) << "cannot open " << path.u8string();
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

ScratchFolder::ScratchFolder() {
  // Test cases run as parallel processes: the name mixes a random number, the clock and a
  // per-process counter.
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  m_path =
      fs::temp_directory_path() / ("uires-test-" + std::to_string(std::random_device{}()) + "-" +
                                   std::to_string(stamp) + "-" + std::to_string(counter++));
  std::error_code error;
  fs::create_directories(m_path, error);
  EXPECT_FALSE(error) << error.message();
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  fs::remove_all(m_path, error);
}

void ScratchFolder::WriteFile(const std::string& relative, const std::string& content) const {
  const fs::path path = m_path / fs::u8path(relative);
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  ASSERT_FALSE(error) << error.message();
  std::ofstream file(path, std::ios::binary);
  file << content;
  ASSERT_TRUE(file.good()) << "cannot write " << path.u8string();
}

}  // namespace uires_test
