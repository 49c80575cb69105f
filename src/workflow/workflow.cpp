#include "workflow/workflow.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "workflow/client_control.h"
#include "workflow/install_finish.h"
#include "workflow/package_digest.h"
#include "workflow/package_download.h"
#include "workflow/package_file.h"
#include "workflow/package_unpack.h"

namespace update {
namespace {

// The install as it was: the failure display, and in update mode the old client started again,
// so the user is never left with none; a folder this run made goes again when it is empty.
void GiveUp(const InstallJob& job, WorkflowEvents& events) {
  events.ShowDownloadFailed();
  if (job.updateMode) {
    StartClient(job.installDir);
  } else if (job.installDirCreated) {
    RemoveDirectoryW(job.installDir.c_str());
  }
}

}  // namespace

void DownloadWorker(const InstallJob& job, WorkflowEvents& events, WorkerSignals& signals) {
  // Held from here to the end of the unpack: see package_file.h.
  FileHandle package = CreateHeldPackage(PackagePath(job));
  if (!package) {
    std::fprintf(stderr, "download: %ls cannot be created (error %lu)\n", PackagePath(job).c_str(),
                 GetLastError());
    events.ShowDownloadFailed();
    return;
  }
  const DownloadOutcome download =
      DownloadPackage(job.packageUrl, package.get(), events, signals.cancel, DownloadLimits(),
                      !job.packageSha256.empty());
  if (!download.ok) {
    if (!download.cancelled) events.ShowDownloadFailed();
    return;
  }
  // The files may be replaced only once the client and driver no longer hold them; a download
  // without a known size sends no progress message that would have waited for that.
  signals.stopsDone.Wait();
  if (!job.packageSha256.empty() && !DigestMatches(download.sha256, job.packageSha256)) {
    std::fprintf(stderr, "download: the package's SHA-256 is %s, the answer gave %s\n",
                 download.sha256.c_str(), job.packageSha256.c_str());
    DeleteHeldPackage(package.get());
    package.Reset();  // gone before a folder this run made is removed
    GiveUp(job, events);
    return;
  }
  UnpackAndLaunch(job, std::move(package), events, download.reportedTotal);
}

bool UnpackAndLaunch(const InstallJob& job, FileHandle package, WorkflowEvents& events,
                     double downloadTotal) {
  if (UnpackPackage(job, std::move(package)) != UnpackOutcome::kDone) {
    GiveUp(job, events);
    return false;
  }
  FinishInstall(job, downloadTotal, events.ReadInstallOptions());
  StartClient(job.installDir);
  events.Close();
  return true;
}

}  // namespace update
