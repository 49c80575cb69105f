#include "toolkit/core/folder_resource_provider.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace toolkit {
namespace fs = std::filesystem;
namespace {

enum class EntryKind { kFolder, kFile };

// The one entry of `folder` of the given kind whose name (for files: without the extension)
// equals `wanted` without regard to case; nothing when there is none or more than one.
std::optional<fs::path> FindUniqueEntry(const fs::path& folder, std::string_view wanted,
                                        EntryKind kind) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return std::nullopt;
  std::optional<fs::path> found;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) return std::nullopt;
    const bool isKind =
        kind == EntryKind::kFolder ? it->is_directory(error) : it->is_regular_file(error);
    if (error || !isKind) continue;
    const fs::path name = kind == EntryKind::kFolder ? it->path().filename() : it->path().stem();
    if (!ResourceNamesEqual(name.u8string(), wanted)) continue;
    if (found) return std::nullopt;
    found = it->path();
  }
  if (error) return std::nullopt;
  return found;
}

std::optional<ResourceBytes> ReadWholeFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  ResourceBytes bytes;
  char buffer[64 * 1024];
  while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + file.gcount());
  }
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

FolderResourceProvider::FolderResourceProvider(std::string folder) : m_folder(std::move(folder)) {}

std::optional<ResourceBytes> FolderResourceProvider::Load(std::string_view typeAndName) const {
  const std::optional<ResourceName> parsed = ParseResourceName(typeAndName);
  if (!parsed) return std::nullopt;
  const std::optional<fs::path> typeFolder =
      FindUniqueEntry(fs::u8path(m_folder), parsed->type, EntryKind::kFolder);
  if (!typeFolder) return std::nullopt;
  const std::optional<fs::path> file = FindUniqueEntry(*typeFolder, parsed->name, EntryKind::kFile);
  if (!file) return std::nullopt;
  return ReadWholeFile(*file);
}

}  // namespace toolkit
