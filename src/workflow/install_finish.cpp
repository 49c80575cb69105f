#include "workflow/install_finish.h"

#include <string>

#include "common/text_convert.h"
#include "sys/desktop_shortcut.h"
#include "sys/registry_entries.h"

namespace update {

void FinishInstall(const InstallJob& job, double downloadTotal, const InstallOptions& options) {
  if (job.updateMode) return;  // the entries of the first install stay as they are

  const std::wstring client_path = job.installDir + kClientExeName;
  const std::wstring uninstaller_path = job.installDir + L"Uninstall.exe";
  if (options.desktopShortcut) CreateDesktopShortcut(client_path, L"\\Zorvik加速器.lnk");
  if (options.autostart) SetAutostartValue(client_path, false);
  UninstallInfo info;
  info.uninstallString = uninstaller_path;
  info.displayIcon = client_path;
  info.displayName = L"ZorvikClient";
  info.publisher = L"IZorvik";
  info.displayVersion = Utf8ToWide(job.version);
  WriteUninstallEntry(info, EstimatedSizeInKiB(downloadTotal));
}

}  // namespace update
