// What the install worker is given when it starts: a copy, so that it never reads the window's
// controller.
#pragma once

#include <cstdint>
#include <string>

namespace update {

struct InstallJob {
  std::wstring installDir;  // ends with a backslash
  std::wstring selfPath;    // the running updater's own file
  bool updateMode = false;
  bool installDirCreated = false;  // the install folder did not exist before this run
  std::int32_t clientTypeId = 0;
  std::string version;        // "version_number" of the check, UTF-8
  std::string packageUrl;     // "url" of the check
  std::string packageSha256;  // "sha256" of the check, checked before the unpack; may be empty
  // "directory_sha256" of the check: the package records its items, so an update may fetch only
  // those that changed; may be empty.
  std::string directorySha256;
};

// The package file in the install folder: "<install folder>up.zip".
inline std::wstring PackagePath(const InstallJob& job) {
  return job.installDir + L"up.zip";
}

constexpr wchar_t kClientExeName[] = L"ZorvikClient.exe";
constexpr wchar_t kDriverServiceName[] = L"izorvik_drv";

}  // namespace update
