// The end of an install or update (its report is the run's): in install mode the desktop
// shortcut and autostart value (when ticked) and the uninstall entry. Windows only.
#pragma once

#include "workflow/install_job.h"
#include "workflow/workflow_events.h"

namespace update {

// `downloadTotal`: the package's size in bytes as last told to the window (0 when it never
// was), which the uninstall entry shows as the estimated size.
void FinishInstall(const InstallJob& job, double downloadTotal, const InstallOptions& options);

}  // namespace update
