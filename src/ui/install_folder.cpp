#include "ui/install_folder.h"

namespace update {
namespace {
constexpr size_t kMaxPath = 260;
}  // namespace

std::optional<std::wstring> InstallFolderIn(std::wstring_view chosen) {
  std::wstring folder(chosen);
  folder.append(L"\\").append(kClientFolderName).append(L"\\");
  if (folder.size() >= kMaxPath) return std::nullopt;
  return folder;
}

}  // namespace update
