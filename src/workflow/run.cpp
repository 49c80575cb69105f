#include "workflow/run.h"

#include <cstdio>
#include <utility>

namespace update {
namespace {

// One run's state: what the way out must undo.
class Run {
 public:
  Run(const InstallJob& request, RunSystem& system, WorkflowEvents& window,
      const std::atomic<bool>& cancel)
      : m_job(request), m_system(system), m_window(window), m_cancel(cancel) {}

  RunResult Go() {
    // One run per folder: a second one for it changes nothing.
    const std::shared_ptr<void> lock = m_system.LockFolder(m_job.installDir);
    if (!lock) {
      std::fprintf(stderr, "run: another updater is at work in %ls\n", m_job.installDir.c_str());
      m_system.ShowOtherRun();
      m_window.Close();
      return RunResult::kElsewhere;
    }
    return Steps();
  }

 private:
  RunResult Steps() {
    if (!Recover() || !Check() || Cancelled() || !MakeFolder() || !Stop() || Cancelled()) {
      return WayOut();
    }
    FileHandle package = m_system.CreatePackage(PackagePath(m_job));
    if (!package) {
      std::fprintf(stderr, "download: %ls cannot be created\n", PackagePath(m_job).c_str());
      return WayOut();
    }
    const DownloadOutcome download = m_system.Download(m_job, package.get(), m_window, m_cancel);
    if (!download.ok || !m_system.DigestMatches(m_job, download) || Cancelled()) {
      m_system.DeletePackage(package.get());
      package.Reset();  // gone before a folder this run made is removed
      return WayOut();
    }
    // From here on the run completes: a close waits for it.
    if (m_system.StageAndSwap(m_job, std::move(package)) != UnpackOutcome::kDone) return WayOut();
    m_system.Finish(m_job, download.reportedTotal, m_window.ReadInstallOptions());
    m_system.StartClient(m_job.installDir);
    m_window.Close();
    return RunResult::kDone;
  }

  // A swap a crash interrupted, finished or undone first; one that cannot be stops the run. In
  // update mode the client runs from this folder and holds its files: it and the driver are
  // stopped first, and the way out starts it again.
  bool Recover() {
    if (m_system.SwapInterrupted(m_job.installDir)) Stop();
    return m_system.Recover(m_job.installDir) == RecoveryOutcome::kNothingLeft;
  }

  bool Check() {
    std::optional<InstallJob> job = m_system.CheckVersion(m_job, m_cancel);
    if (!job) return false;
    m_job = std::move(*job);
    return true;
  }

  bool MakeFolder() {
    m_job.installDirCreated = !m_system.FolderExists(m_job.installDir);
    if (m_system.MakeInstallFolder(m_job.installDir)) return true;
    std::fprintf(stderr, "install: the folder %ls cannot be made\n", m_job.installDir.c_str());
    return false;
  }

  // The files may be replaced only once the client and driver no longer hold them.
  bool Stop() {
    if (m_stopped) return true;
    m_system.StopClientAndDriver();
    m_stopped = true;
    m_clientStopped = m_job.updateMode;
    return true;
  }

  bool Cancelled() const { return m_cancel.load(); }

  // The install as it was. The package and the staging folder are gone already: each step
  // removes its own on failure.
  RunResult WayOut() {
    m_window.ShowDownloadFailed();
    if (m_clientStopped) m_system.StartClient(m_job.installDir);
    if (m_job.installDirCreated) m_system.RemoveEmptyFolder(m_job.installDir);
    return Cancelled() ? RunResult::kCancelled : RunResult::kFailed;
  }

  InstallJob m_job;
  RunSystem& m_system;
  WorkflowEvents& m_window;
  const std::atomic<bool>& m_cancel;
  bool m_stopped = false;
  bool m_clientStopped = false;
};

}  // namespace

RunResult RunInstallOrUpdate(const InstallJob& request, RunSystem& system, WorkflowEvents& window,
                             const std::atomic<bool>& cancel) {
  return Run(request, system, window, cancel).Go();
}

}  // namespace update
