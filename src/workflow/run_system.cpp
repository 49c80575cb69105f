// The run's steps as the system carries them out. Windows only.
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "net/endpoints.h"
#include "net/event_report.h"
#include "net/os_version.h"
#include "net/version_request.h"
#include "sys/folder_chain.h"
#include "workflow/changed_items_download.h"
#include "workflow/client_control.h"
#include "workflow/file_ops.h"
#include "workflow/folder_lock.h"
#include "workflow/install_finish.h"
#include "workflow/package_file.h"
#include "workflow/run.h"
#include "workflow/vendor_key.h"

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

  VersionReply RequestVersion(std::int32_t clientTypeId, const std::atomic<bool>& cancel) override {
    VersionReply reply;
    TransferResult result;
    RequestClientVersion(ApiBaseUrl(), reply.answer, clientTypeId, &cancel, &result);
    reply.transfer = result.curlCode;
    reply.httpStatus = result.httpStatus;
    return reply;
  }

  std::string VendorKey() override { return std::string(VendorPublicKey()); }

  std::int64_t Now() override { return static_cast<std::int64_t>(std::time(nullptr)); }

  std::uint64_t Milliseconds() override { return GetTickCount64(); }

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

  ChangedItems FetchChangedItems(const InstallJob& job, HANDLE package, WorkflowEvents& window,
                                 const std::atomic<bool>& cancel) override {
    return update::FetchChangedItems(job, package, window, cancel);
  }

  DownloadOutcome DownloadPackage(const InstallJob& job, HANDLE package, WorkflowEvents& window,
                                  const std::atomic<bool>& cancel, bool takeSha256) override {
    return update::DownloadPackage(job.packageUrl, package, window, cancel, DownloadLimits(),
                                   takeSha256);
  }

  void DeletePackage(HANDLE package) override { DeleteHeldPackage(package); }

  UnpackResult StageAndSwap(const InstallJob& job, FileHandle package) override {
    return UnpackPackage(job, std::move(package), *FileOpsConfinedTo(job.installDir));
  }

  void Report(const EventReport& report) override { SendEventReport(report, OsVersionWithin()); }

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
