// A private folder for the stub's generated files, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>

namespace vendor_stub {

class WorkFolder {
 public:
  WorkFolder() = default;
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder();

  // Creates a new folder "vendor-stub-XXXXXX" in the system's temporary folder. False with the
  // reason in `error`.
  bool Create(std::string& error);

  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace vendor_stub
