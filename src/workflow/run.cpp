#include "workflow/run.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "common/text_convert.h"
#include "workflow/package_digest.h"
#include "workflow/release_signature.h"
#include "workflow/version_answer.h"

namespace update {
namespace {

// One run's state: what the way out must undo, and what its report tells.
class Run {
 public:
  Run(const InstallJob& request, RunSystem& system, WorkflowEvents& window,
      const std::atomic<bool>& cancel)
      : m_job(request), m_system(system), m_window(window), m_cancel(cancel) {}

  RunOutcome Go() {
    // One run per folder: a second one for it changes nothing.
    const std::shared_ptr<void> lock = m_system.LockFolder(m_job.installDir);
    if (!lock) {
      std::fprintf(stderr, "run: another updater is at work in %ls\n", m_job.installDir.c_str());
      m_system.ShowOtherRun();
      m_window.Close();
      return {RunResult::kElsewhere, Failure()};
    }
    m_start = m_system.Milliseconds();
    try {
      return Steps();
    } catch (const std::exception& exception) {
      std::fprintf(stderr, "run: %s\n", exception.what());
    } catch (...) {
      std::fprintf(stderr, "run: an exception of no known type\n");
    }
    return WayOut({Reason::kInternal});
  }

 private:
  RunOutcome Steps() {
    if (Failure failure = Recover()) return WayOut(failure);
    if (Failure failure = Check()) return WayOut(failure);
    if (Cancelled()) return WayOut({Reason::kCancelledByUser});
    if (Failure failure = MakeFolder()) return WayOut(failure);
    Stop();
    if (Cancelled()) return WayOut({Reason::kCancelledByUser});
    FileHandle package = m_system.CreatePackage(PackagePath(m_job));
    if (!package) {
      std::fprintf(stderr, "download: %ls cannot be created\n", PackagePath(m_job).c_str());
      return WayOut({Reason::kPackageFileCannotBeMade});
    }
    const DownloadOutcome download = Download(package.get());
    Failure failure = download.failure;
    if (!failure && !download.ok) failure = {Reason::kDownloadFailed};
    if (!failure) failure = DigestFailure(download);
    if (!failure && Cancelled()) failure = {Reason::kCancelledByUser};
    if (failure) {
      m_system.DeletePackage(package.get());
      package.Reset();  // gone before a folder this run made is removed
      return WayOut(failure);
    }
    // From here on the run completes: a close waits for it.
    const UnpackResult unpacked = m_system.StageAndSwap(m_job, std::move(package));
    if (unpacked.outcome != UnpackOutcome::kDone) return WayOut(UnpackFailure(unpacked));
    m_system.Report(Report(m_job.updateMode ? 2 : 1, Failure()));
    m_system.Finish(m_job, download.reportedTotal, m_window.ReadInstallOptions());
    m_system.StartClient(m_job.installDir);
    m_window.Close();
    return {RunResult::kDone, Failure()};
  }

  // A swap a crash interrupted, finished or undone first; one that cannot be stops the run. In
  // update mode the client runs from this folder and holds its files: it and the driver are
  // stopped first, and the way out starts it again.
  Failure Recover() {
    if (m_system.SwapInterrupted(m_job.installDir)) Stop();
    switch (m_system.Recover(m_job.installDir)) {
      case RecoveryOutcome::kNothingLeft:
        return Failure();
      case RecoveryOutcome::kRefused:
        return {Reason::kRecoveryRefused};
      case RecoveryOutcome::kStuck:
        break;
    }
    return {Reason::kRecoveryStuck};
  }

  // The answer, read and its signature checked: only what the vendor's key signed is fetched,
  // since the check's address is plain HTTP.
  Failure Check() {
    const VersionReply reply = m_system.RequestVersion(m_job.clientTypeId, m_cancel);
    if (Cancelled()) return {Reason::kCancelledByUser};
    if (reply.transfer != 0) return {Reason::kCheckUnreachable, reply.transfer};
    if (reply.httpStatus != 0 && (reply.httpStatus < 200 || reply.httpStatus >= 300)) {
      return {Reason::kCheckHttpStatus, reply.httpStatus};
    }
    const std::optional<PackageOffer> offer = ReadVersionAnswer(reply.answer);
    if (!offer) {
      std::fprintf(stderr, "version check: the answer allows no download\n");
      return {Reason::kCheckNoDownload};
    }
    const OfferCheck check =
        CheckOffer(*offer, m_job.clientTypeId, m_system.VendorKey(), m_system.Now());
    if (check != OfferCheck::kAccepted) {
      std::fprintf(stderr, "version check: %s\n", OfferCheckMessage(check));
      return {Reason::kSignatureRefused, static_cast<std::int64_t>(check)};
    }
    m_job.version = offer->version;
    m_job.packageUrl = offer->url;
    m_job.packageSha256 = offer->sha256.value_or("");
    m_job.directorySha256 = offer->directorySha256.value_or("");
    return Failure();
  }

  Failure MakeFolder() {
    m_job.installDirCreated = !m_system.FolderExists(m_job.installDir);
    if (m_system.MakeInstallFolder(m_job.installDir)) return Failure();
    std::fprintf(stderr, "install: the folder %ls cannot be made\n", m_job.installDir.c_str());
    return {Reason::kFolderCannotBeMade};
  }

  // The files may be replaced only once the client and driver no longer hold them.
  void Stop() {
    if (m_stopped) return;
    m_system.StopClientAndDriver();
    m_stopped = true;
    m_clientStopped = m_job.updateMode;
  }

  // An update fetches only the items that changed, when the package records them: with the
  // vendor's key built in, only from a directory the answer signed; without one, only when the
  // answer names no SHA-256 of the package, which only the whole package can be checked
  // against. Anything else, and any failure on the way, takes the whole package.
  DownloadOutcome Download(HANDLE package) {
    const bool changed_items_trusted =
        m_system.VendorKey().empty() ? m_job.packageSha256.empty() : !m_job.directorySha256.empty();
    if (m_job.updateMode && changed_items_trusted) {
      const ChangedItems changed = m_system.FetchChangedItems(m_job, package, m_window, m_cancel);
      DownloadOutcome outcome;
      outcome.bytes = changed.fetchedBytes;
      if (changed.outcome == ChangedItemsOutcome::kCancelled) {
        outcome.cancelled = true;
        outcome.failure = {Reason::kCancelledByUser};
      }
      if (changed.outcome == ChangedItemsOutcome::kFetched) {
        outcome.ok = outcome.changedItemsOnly = true;
        outcome.reportedTotal = static_cast<double>(changed.packageSize);
      }
      if (changed.outcome != ChangedItemsOutcome::kUnavailable) return Received(outcome);
    }
    DownloadOutcome outcome =
        m_system.DownloadPackage(m_job, package, m_window, m_cancel, !m_job.packageSha256.empty());
    if (outcome.cancelled || (!outcome.ok && Cancelled())) {
      outcome.failure = {Reason::kCancelledByUser};
    }
    return Received(outcome);
  }

  DownloadOutcome Received(DownloadOutcome outcome) {
    m_bytes += outcome.bytes;
    return outcome;
  }

  // The whole package is the one the answer gave, when it gave its SHA-256; a changed-items
  // fetch checked each item against the signed directory instead.
  Failure DigestFailure(const DownloadOutcome& download) const {
    if (download.changedItemsOnly || m_job.packageSha256.empty() ||
        DigestMatches(download.sha256, m_job.packageSha256)) {
      return Failure();
    }
    std::fprintf(stderr, "download: the package's SHA-256 is %s, the answer gave %s\n",
                 download.sha256.c_str(), m_job.packageSha256.c_str());
    return {Reason::kDigestMismatch};
  }

  static Failure UnpackFailure(const UnpackResult& unpacked) {
    switch (unpacked.outcome) {
      case UnpackOutcome::kNoPackage:
        return {Reason::kUnpackPackageUnreadable};
      case UnpackOutcome::kNoSpace:
        return {Reason::kDiskFull, static_cast<std::int64_t>(unpacked.bytesShort)};
      case UnpackOutcome::kStuck:
        return {Reason::kSwapStuck, static_cast<std::int64_t>(unpacked.error), unpacked.heldFile};
      case UnpackOutcome::kItemFailed:
      case UnpackOutcome::kDone:
        break;
    }
    if (!unpacked.heldFile.empty()) {
      return {Reason::kSwapFileInUse, static_cast<std::int64_t>(unpacked.error), unpacked.heldFile};
    }
    return {Reason::kUnpackFailed, static_cast<std::int64_t>(unpacked.error)};
  }

  bool Cancelled() const { return m_cancel.load(); }

  EventReport Report(int act, const Failure& failure) const {
    EventReport report;
    report.act = act;
    report.type = m_job.clientTypeId;
    report.version = m_job.version;
    if (failure) {
      const ReasonInfo& info = InfoOf(failure.reason);
      report.reason = Utf8ToWide(info.name);
      report.failure = FailureMembers{static_cast<int>(failure.reason), failure.detail, info.step,
                                      m_bytes, m_system.Milliseconds() - m_start};
    }
    return report;
  }

  // The install as it was. The package and the staging folder are gone already: each step
  // removes its own on failure.
  RunOutcome WayOut(const Failure& failure) {
    const ReasonInfo& info = InfoOf(failure.reason);
    std::fprintf(stderr, "run: %s (%d), detail %lld%s%ls\n", info.name,
                 static_cast<int>(failure.reason), static_cast<long long>(failure.detail),
                 failure.subject.empty() ? "" : ": ", failure.subject.c_str());
    m_window.ShowFailure(failure);
    if (m_clientStopped) m_system.StartClient(m_job.installDir);
    if (m_job.installDirCreated) m_system.RemoveEmptyFolder(m_job.installDir);
    m_system.Report(Report(m_job.updateMode ? 4 : 3, failure));
    return {failure.reason == Reason::kCancelledByUser ? RunResult::kCancelled : RunResult::kFailed,
            failure};
  }

  InstallJob m_job;
  RunSystem& m_system;
  WorkflowEvents& m_window;
  const std::atomic<bool>& m_cancel;
  bool m_stopped = false;
  bool m_clientStopped = false;
  std::uint64_t m_start = 0;  // the run's first millisecond
  std::uint64_t m_bytes = 0;  // package bytes received
};

}  // namespace

RunOutcome RunInstallOrUpdate(const InstallJob& request, RunSystem& system, WorkflowEvents& window,
                              const std::atomic<bool>& cancel) {
  return Run(request, system, window, cancel).Go();
}

}  // namespace update
