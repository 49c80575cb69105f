// The window side of the workflow's requests: each one is a message sent to the application's
// main window, so it is carried out on the UI thread, and a request made after the window is
// gone goes nowhere instead of touching a destroyed controller.
#pragma once

#include "workflow/workflow_events.h"

namespace update {

class MainWindowEvents : public WorkflowEvents {
 public:
  void ReportProgress(int percent, std::int32_t total) override;
  void ShowFailure(const Failure& failure) override;
  InstallOptions ReadInstallOptions() override;
  void Close() override;
};

}  // namespace update
