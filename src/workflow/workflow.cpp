#include "workflow/workflow.h"

#include <windows.h>

#include "workflow/client_control.h"
#include "workflow/install_finish.h"
#include "workflow/package_download.h"
#include "workflow/package_unpack.h"

namespace update {

void DownloadWorker(const InstallJob& job, WorkflowEvents& events, WorkerSignals& signals) {
  const DownloadOutcome download =
      DownloadPackage(job.packageUrl, PackagePath(job), events, signals.cancel);
  if (!download.ok) {
    if (!download.cancelled) events.ShowDownloadFailed();
    return;
  }
  // The files may be replaced only once the client and driver no longer hold them; a download
  // without a known size sends no progress message that would have waited for that.
  signals.stopsDone.Wait();
  UnpackAndLaunch(job, events, download.reportedTotal);
}

bool UnpackAndLaunch(const InstallJob& job, WorkflowEvents& events, double downloadTotal) {
  if (UnpackPackage(job) != UnpackOutcome::kDone) {
    events.ShowDownloadFailed();
    if (job.updateMode) {
      StartClient(job.installDir);  // the old client, whole again: never none at all
    } else if (job.installDirCreated) {
      RemoveDirectoryW(job.installDir.c_str());  // only when nothing else is in it
    }
    return false;
  }
  FinishInstall(job, downloadTotal, events.ReadInstallOptions());
  StartClient(job.installDir);
  events.Close();
  return true;
}

}  // namespace update
