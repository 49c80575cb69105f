// The whole run of an install or an update, from the install button or the update start to the
// close, as one sequence of named steps: recover, check (and signature), stop the client and
// driver, download, digest, stage and swap, finish, launch, close. Each step returns its result;
// every failure and every cancel before the swap leaves by one way out. The steps reach the
// system and the window only through the two interfaces below, so the run can be driven whole
// in a test. It runs on the worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/event_report.h"
#include "sys/scoped_handle.h"
#include "workflow/changed_items_download.h"
#include "workflow/install_job.h"
#include "workflow/package_download.h"
#include "workflow/package_swap.h"
#include "workflow/package_unpack.h"
#include "workflow/reasons.h"
#include "workflow/workflow_events.h"

namespace update {

// The version check's answer as it came: `transfer` is 0 when the transfer completed, else the
// libcurl code; `httpStatus` 0 when no status came.
struct VersionReply {
  int transfer = 0;
  long httpStatus = 0;
  std::string answer;
};

// What the run needs from the system, a call per step. It only does what the system does: every
// decision of the run is the run's.
class RunSystem {
 public:
  virtual ~RunSystem() = default;
  // The folder's lock (folder_lock.h), held while the token lives; null when another run has it.
  virtual std::shared_ptr<void> LockFolder(const std::wstring& installDir) = 0;
  // Brings the window of the run that holds the lock to the front.
  virtual void ShowOtherRun() = 0;
  // Whether an interrupted swap left something in the folder, and its repair (package_swap.h).
  virtual bool SwapInterrupted(const std::wstring& installDir) = 0;
  virtual RecoveryOutcome Recover(const std::wstring& installDir) = 0;
  // The version check's request. `cancel` set ends it at once.
  virtual VersionReply RequestVersion(std::int32_t clientTypeId,
                                      const std::atomic<bool>& cancel) = 0;
  // The vendor's public key built in (hex), empty for a build that takes unsigned answers.
  virtual std::string VendorKey() = 0;
  // Unix seconds, and a steady count of milliseconds.
  virtual std::int64_t Now() = 0;
  virtual std::uint64_t Milliseconds() = 0;
  // Makes the install folder and the folders above it; true when it exists afterwards, and no
  // folder on the way that this run made is a link.
  virtual bool MakeInstallFolder(const std::wstring& installDir) = 0;
  virtual bool FolderExists(const std::wstring& folder) = 0;
  virtual void StopClientAndDriver() = 0;
  // A hold on a new package file (package_file.h); invalid when it cannot be made.
  virtual FileHandle CreatePackage(const std::wstring& path) = 0;
  // The two ways of fetching the package (changed_items_download.h, package_download.h).
  virtual ChangedItems FetchChangedItems(const InstallJob& job, HANDLE package,
                                         WorkflowEvents& window,
                                         const std::atomic<bool>& cancel) = 0;
  virtual DownloadOutcome DownloadPackage(const InstallJob& job, HANDLE package,
                                          WorkflowEvents& window, const std::atomic<bool>& cancel,
                                          bool takeSha256) = 0;
  // Marks the held package for deletion; it goes when the hold closes.
  virtual void DeletePackage(HANDLE package) = 0;
  // Stages the package and swaps it in; the hold is closed and the file gone when it returns.
  virtual UnpackResult StageAndSwap(const InstallJob& job, FileHandle package) = 0;
  // Sends an event report (event_report.h), the OS version added; nothing waits on its result.
  virtual void Report(const EventReport& report) = 0;
  virtual void Finish(const InstallJob& job, double downloadTotal,
                      const InstallOptions& options) = 0;
  virtual bool StartClient(const std::wstring& installDir) = 0;
  // Removes an empty folder; one that is not empty stays.
  virtual void RemoveEmptyFolder(const std::wstring& folder) = 0;
};

// The system's own steps (run_system.cpp).
RunSystem& SystemRunSteps();

enum class RunResult {
  kDone,       // installed or updated, the client started, the window closed
  kElsewhere,  // another run holds the folder: it came to the front, nothing changed, closed
  kFailed,     // a step failed: the failure display, the install as it was
  kCancelled,  // closed before the swap began: the install as it was
};

struct RunOutcome {
  RunResult result = RunResult::kFailed;
  Failure failure;  // why, unless done or elsewhere
};

// Runs the whole sequence for `request` (its install folder, own path, mode and client type;
// the rest comes from the check), holding the folder's lock throughout. `cancel` is the close:
// before the swap begins it ends the run by the way out; once the swap has begun the run completes.
//
// The way out, at any step before the swap: the failure display; up.zip and the staging folder
// gone; in update mode, once the client was stopped, the old client started again; in install
// mode, a folder this run made removed again. The client is stopped only after a check whose
// answer will be used, or before the repair of a swap a crash interrupted (the client and driver
// hold the files the repair moves); the run then goes on as usual. A failed swap that could not
// be undone, or a failed repair, keeps its journal for the next start and leaves by the same way.
//
// Every way out has its reason (reasons.h): the window shows it, standard error gets one line
// "run: <name> (<number>), detail <code>", and a report of act 3 (install) or 4 (update) goes to
// the vendor with it. An exception inside the run is the reason kInternal, by the same way out.
RunOutcome RunInstallOrUpdate(const InstallJob& request, RunSystem& system, WorkflowEvents& window,
                              const std::atomic<bool>& cancel);

}  // namespace update
