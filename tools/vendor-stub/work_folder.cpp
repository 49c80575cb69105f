#include "work_folder.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <stdlib.h>

namespace vendor_stub {

WorkFolder::~WorkFolder() {
  if (m_path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

bool WorkFolder::Create(std::string& error) {
  std::error_code failure;
  const std::filesystem::path parent = std::filesystem::temp_directory_path(failure);
  if (failure) {
    error = "no temporary folder: " + failure.message();
    return false;
  }
  std::string pattern = (parent / "vendor-stub-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    error = "cannot create a folder in " + parent.string() + ": " + std::strerror(errno);
    return false;
  }
  m_path = pattern;
  return true;
}

}  // namespace vendor_stub
