// The run's steps as the system carries them out. Windows only.
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "net/endpoints.h"
#include "net/version_request.h"
#include "sys/folder_chain.h"
#include "workflow/changed_items_download.h"
#include "workflow/client_control.h"
#include "workflow/file_ops.h"
#include "workflow/folder_lock.h"
#include "workflow/install_finish.h"
#include "workflow/package_digest.h"
#include "workflow/package_file.h"
#include "workflow/release_signature.h"
#include "workflow/run.h"
#include "workflow/vendor_key.h"
#include "workflow/version_answer.h"

namespace update {
namespace {

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

class SystemRun : public RunSystem {
 public:
  std::shared_ptr<void> LockFolder(const std::wstring& installDir) override {
    return LockInstallFolder(installDir);
  }

  void ShowOtherRun() override { ShowOtherUpdater(); }

  bool SwapInterrupted(const std::wstring& installDir) override {
    return SwapWasInterrupted(installDir);
  }

  RecoveryOutcome Recover(const std::wstring& installDir) override {
    return RecoverInterruptedSwap(installDir, *FileOpsConfinedTo(installDir));
  }

  std::optional<InstallJob> CheckVersion(const InstallJob& request,
                                         const std::atomic<bool>& cancel) override {
    std::string answer;
    const std::optional<PackageOffer> offer =
        RequestClientVersion(ApiBaseUrl(), answer, request.clientTypeId, &cancel) == 0
            ? ReadVersionAnswer(answer)
            : std::nullopt;
    if (!offer) {
      std::fprintf(stderr, "version check: the answer allows no download\n");
      return std::nullopt;
    }
    // Only what the vendor's key signed is fetched: the check's address is plain HTTP.
    const OfferCheck check = CheckOffer(*offer, request.clientTypeId, VendorPublicKey(),
                                        static_cast<std::int64_t>(std::time(nullptr)));
    if (check != OfferCheck::kAccepted) {
      std::fprintf(stderr, "version check: %s\n", OfferCheckMessage(check));
      return std::nullopt;
    }
    InstallJob job = request;
    job.version = offer->version;
    job.packageUrl = offer->url;
    job.packageSha256 = offer->sha256.value_or("");
    job.directorySha256 = offer->directorySha256.value_or("");
    return job;
  }

  bool MakeInstallFolder(const std::wstring& installDir) override {
    // The folders this run makes, and the install folder itself: the elevated run writes into
    // them, and a link planted there (a junction made in a drive root others can write) would
    // send the install somewhere else.
    std::vector<std::wstring> checked;
    for (std::wstring folder = WithoutTrailingBackslash(installDir);;
         folder = ParentFolder(folder)) {
      checked.push_back(folder);
      if (folder.empty() || IsFolder(folder)) break;
    }
    CreateFolderChain(installDir);
    for (const std::wstring& folder : checked) {
      if (!folder.empty() && IsLink(folder)) {
        std::fprintf(stderr, "install: %ls is a link; nothing is installed through it\n",
                     folder.c_str());
        return false;
      }
    }
    return IsFolder(installDir);
  }

  bool FolderExists(const std::wstring& folder) override { return IsFolder(folder); }

  void StopClientAndDriver() override { update::StopClientAndDriver(); }

  FileHandle CreatePackage(const std::wstring& path) override { return CreateHeldPackage(path); }

  DownloadOutcome Download(const InstallJob& job, HANDLE package, WorkflowEvents& window,
                           const std::atomic<bool>& cancel) override {
    // An update fetches only the items that changed, when the package records them: with the
    // vendor's key built in, only from a directory the answer signed; without one, only when
    // the answer names no SHA-256 of the package, which only the whole package can be checked
    // against. Anything else, and any failure on the way, takes the whole package.
    const bool changedItemsTrusted =
        VendorPublicKey().empty() ? job.packageSha256.empty() : !job.directorySha256.empty();
    if (job.updateMode && changedItemsTrusted) {
      const ChangedItems changed = FetchChangedItems(job, package, window, cancel);
      DownloadOutcome outcome;
      outcome.cancelled = changed.outcome == ChangedItemsOutcome::kCancelled;
      if (changed.outcome == ChangedItemsOutcome::kFetched) {
        outcome.ok = outcome.changedItemsOnly = true;
        outcome.reportedTotal = static_cast<double>(changed.packageSize);
      }
      if (changed.outcome != ChangedItemsOutcome::kUnavailable) return outcome;
    }
    return DownloadPackage(job.packageUrl, package, window, cancel, DownloadLimits(),
                           !job.packageSha256.empty());
  }

  bool DigestMatches(const InstallJob& job, const DownloadOutcome& download) override {
    if (download.changedItemsOnly || job.packageSha256.empty() ||
        update::DigestMatches(download.sha256, job.packageSha256)) {
      return true;
    }
    std::fprintf(stderr, "download: the package's SHA-256 is %s, the answer gave %s\n",
                 download.sha256.c_str(), job.packageSha256.c_str());
    return false;
  }

  void DeletePackage(HANDLE package) override { DeleteHeldPackage(package); }

  UnpackOutcome StageAndSwap(const InstallJob& job, FileHandle package) override {
    return UnpackPackage(job, std::move(package), *FileOpsConfinedTo(job.installDir));
  }

  void Finish(const InstallJob& job, double downloadTotal, const InstallOptions& options) override {
    FinishInstall(job, downloadTotal, options);
  }

  bool StartClient(const std::wstring& installDir) override {
    return update::StartClient(installDir);
  }

  void RemoveEmptyFolder(const std::wstring& folder) override { RemoveDirectoryW(folder.c_str()); }
};

}  // namespace

RunSystem& SystemRunSteps() {
  static SystemRun steps;
  return steps;
}

}  // namespace update
