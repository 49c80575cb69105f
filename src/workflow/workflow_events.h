// What a step of the install workflow may ask of the window. The steps run on the worker thread;
// the window's implementation carries every request out on the UI thread.
#pragma once

#include <cstdint>

#include "workflow/reasons.h"

namespace update {

struct InstallOptions {
  bool desktopShortcut = false;  // "创建桌面快捷方式"
  bool autostart = false;        // "开机自动启动"
};

class WorkflowEvents {
 public:
  virtual ~WorkflowEvents() = default;
  // `percent` of `total` bytes have arrived.
  virtual void ReportProgress(int percent, std::int32_t total) = 0;
  // "下载失败", an empty bar, and what happened.
  virtual void ShowFailure(const Failure& failure) = 0;
  // The install page's option check boxes as they are now.
  virtual InstallOptions ReadInstallOptions() = 0;
  // Closes the window, which ends the program.
  virtual void Close() = 0;
};

}  // namespace update
