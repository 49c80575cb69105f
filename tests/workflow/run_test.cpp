// The whole run with the system and the window recorded: every step failing, and a close at
// every step, in both modes. Each row gives what the run did, in order; the way out must undo
// exactly what the run had done (a client it stopped started again in update mode, a folder it
// made removed in install mode, the package deleted once it exists) and nothing else.
#include "workflow/run.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "workflow/folder_lock.h"

namespace update {
namespace {

class RecordingRun : public RunSystem, public WorkflowEvents {
 public:
  RecordingRun(std::string failing, std::string closing, std::atomic<bool>& cancel)
      : m_failing(std::move(failing)), m_closing(std::move(closing)), m_cancel(cancel) {}

  std::shared_ptr<void> LockFolder(const std::wstring&) override {
    return Step("lock") ? std::make_shared<int>(0) : nullptr;
  }
  void ShowOtherRun() override { Step("show-other"); }
  bool SwapInterrupted(const std::wstring&) override { return swapInterrupted; }
  RecoveryOutcome Recover(const std::wstring&) override {
    return Step("recover") ? RecoveryOutcome::kNothingLeft : RecoveryOutcome::kRefused;
  }
  std::optional<InstallJob> CheckVersion(const InstallJob& request,
                                         const std::atomic<bool>&) override {
    if (!Step("check")) return std::nullopt;
    InstallJob job = request;
    job.packageUrl = "http://example.invalid/p.zip";
    return job;
  }
  bool MakeInstallFolder(const std::wstring&) override { return Step("make-folder"); }
  bool FolderExists(const std::wstring&) override { return folderExists; }
  void StopClientAndDriver() override { Step("stop"); }
  FileHandle CreatePackage(const std::wstring&) override {
    return Step("create") ? FileHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) : FileHandle();
  }
  DownloadOutcome Download(const InstallJob& job, HANDLE, WorkflowEvents&,
                           const std::atomic<bool>&) override {
    EXPECT_EQ(job.packageUrl, "http://example.invalid/p.zip") << "the check's answer is used";
    DownloadOutcome outcome;
    outcome.ok = Step("download");
    outcome.cancelled = m_cancel.load();
    return outcome;
  }
  bool DigestMatches(const InstallJob&, const DownloadOutcome&) override { return Step("digest"); }
  void DeletePackage(HANDLE) override { Step("delete"); }
  UnpackOutcome StageAndSwap(const InstallJob&, FileHandle package) override {
    EXPECT_TRUE(package);
    return Step("swap") ? UnpackOutcome::kDone : UnpackOutcome::kItemFailed;
  }
  void Finish(const InstallJob&, double, const InstallOptions&) override { Step("finish"); }
  bool StartClient(const std::wstring&) override { return Step("start"); }
  void RemoveEmptyFolder(const std::wstring&) override { Step("remove-folder"); }

  void ReportProgress(int, std::int32_t) override {}
  void ShowDownloadFailed() override { Step("failed"); }
  InstallOptions ReadInstallOptions() override {
    Step("options");
    return {};
  }
  void Close() override { Step("close"); }

  bool folderExists = true;
  bool swapInterrupted = false;
  std::string log;

 private:
  // Records the step; false when it is the one that fails. A close during it sets the cancel.
  bool Step(const std::string& name) {
    log += (log.empty() ? "" : " ") + name;
    if (name == m_closing) m_cancel = true;
    return name != m_failing;
  }

  std::string m_failing;
  std::string m_closing;
  std::atomic<bool>& m_cancel;
};

TEST(RunTest, EveryFailureAndEveryCloseLeavesByTheOneWayOut) {
  const std::string to_swap = "recover check make-folder stop create download digest swap";
  const std::string done = to_swap + " options finish start close";
  const struct {
    const char* what;
    bool updateMode;
    const char* failing;
    const char* closing;  // the step during which the window is closed
    RunResult result;
    std::string log;
  } rows[] = {
      {"update: all well", true, "", "", RunResult::kDone, done},
      {"update: another run has the folder", true, "lock", "", RunResult::kElsewhere,
       "show-other close"},
      {"update: recovery", true, "recover", "", RunResult::kFailed, "recover failed"},
      {"update: check", true, "check", "", RunResult::kFailed, "recover check failed"},
      {"update: no package file", true, "create", "", RunResult::kFailed,
       "recover check make-folder stop create failed start"},
      {"update: download", true, "download", "", RunResult::kFailed,
       "recover check make-folder stop create download delete failed start"},
      {"update: digest", true, "digest", "", RunResult::kFailed,
       "recover check make-folder stop create download digest delete failed start"},
      {"update: swap", true, "swap", "", RunResult::kFailed, to_swap + " failed start"},
      {"update: close during the check", true, "", "check", RunResult::kCancelled,
       "recover check failed"},
      {"update: close during the stops", true, "", "stop", RunResult::kCancelled,
       "recover check make-folder stop failed start"},
      {"update: close during the download", true, "download", "download", RunResult::kCancelled,
       "recover check make-folder stop create download delete failed start"},
      {"update: close during the digest", true, "", "digest", RunResult::kCancelled,
       "recover check make-folder stop create download digest delete failed start"},
      {"update: close during the swap", true, "", "swap", RunResult::kDone, done},
      {"update: close while finishing", true, "", "finish", RunResult::kDone, done},
      {"install: all well", false, "", "", RunResult::kDone, done},
      {"install: check", false, "check", "", RunResult::kFailed, "recover check failed"},
      {"install: the folder", false, "make-folder", "", RunResult::kFailed,
       "recover check make-folder failed remove-folder"},
      {"install: download", false, "download", "", RunResult::kFailed,
       "recover check make-folder stop create download delete failed remove-folder"},
      {"install: swap", false, "swap", "", RunResult::kFailed, to_swap + " failed remove-folder"},
      {"install: close during the download", false, "download", "download", RunResult::kCancelled,
       "recover check make-folder stop create download delete failed remove-folder"},
      {"install: close during the swap", false, "", "swap", RunResult::kDone, done},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<bool> cancel{false};
    RecordingRun run(row.failing, row.closing, cancel);
    run.folderExists = row.updateMode;  // an install goes into a new folder
    InstallJob request;
    request.installDir = L"C:\\Z\\";
    request.updateMode = row.updateMode;
    EXPECT_EQ(RunInstallOrUpdate(request, run, run, cancel), row.result);
    EXPECT_EQ(run.log, "lock " + row.log);
  }
}

// A swap a crash interrupted is repaired with the client and driver stopped, since they hold its
// files; the run then goes on, stopping nothing twice, and a failed repair starts the old client
// again in update mode.
TEST(RunTest, ARepairStopsTheClientFirstAndTheRunGoesOn) {
  const std::string after_stop = "check make-folder create download digest swap options finish";
  const struct {
    const char* what;
    bool updateMode;
    const char* failing;
    RunResult result;
    std::string log;
  } rows[] = {
      {"update", true, "", RunResult::kDone, "stop recover " + after_stop + " start close"},
      {"update: the repair fails", true, "recover", RunResult::kFailed,
       "stop recover failed start"},
      {"update: the check fails after the repair", true, "check", RunResult::kFailed,
       "stop recover check failed start"},
      {"install", false, "", RunResult::kDone, "stop recover " + after_stop + " start close"},
      {"install: the repair fails", false, "recover", RunResult::kFailed, "stop recover failed"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<bool> cancel{false};
    RecordingRun run(row.failing, "", cancel);
    run.swapInterrupted = true;
    InstallJob request;
    request.installDir = L"C:\\Z\\";
    request.updateMode = row.updateMode;
    EXPECT_EQ(RunInstallOrUpdate(request, run, run, cancel), row.result);
    EXPECT_EQ(run.log, "lock " + row.log);
  }
}

// One lock per folder, whatever the spelling of its path, taken over from a holder that
// ended without letting go; the same folder held by another thread is refused.
TEST(RunTest, OneRunPerInstallFolder) {
  const std::wstring root = L"C:\\run-test-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring folder = root + L"\\Zorvik Client\\";
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(folder.c_str(), shortName, MAX_PATH), 0u);
  const auto taken_elsewhere = [](const std::wstring& path) {
    bool taken = false;
    std::thread([&] { taken = LockInstallFolder(path) != nullptr; }).join();
    return taken;
  };
  const struct {
    const char* what;
    std::wstring spelling;
    bool same;
  } spellings[] = {
      {"as it is", folder, true},
      {"another letter case",
       L"c:\\RUN-TEST-" + std::to_wstring(GetCurrentProcessId()) + L"\\zorvik client", true},
      {"no trailing backslash", root + L"\\Zorvik Client", true},
      {"doubled backslashes", root + L"\\\\Zorvik Client\\\\", true},
      {"a dot", root + L"\\.\\Zorvik Client\\", true},
      {"a way up and back", root + L"\\Zorvik Client\\..\\Zorvik Client\\", true},
      {"its short name", shortName, true},
      {"a sibling", root + L"\\Zorvik Clien\\", false},
      {"a folder below it", folder + L"bin\\", false},
  };
  {
    const std::shared_ptr<void> held = LockInstallFolder(folder);
    ASSERT_TRUE(held);
    for (const auto& row : spellings) {
      SCOPED_TRACE(row.what);
      EXPECT_EQ(InstallFolderLockName(row.spelling) == InstallFolderLockName(folder), row.same);
      EXPECT_EQ(taken_elsewhere(row.spelling), !row.same);
    }
  }
  // A folder not made yet: every spelling of it is one lock as well.
  EXPECT_EQ(InstallFolderLockName(folder + L"new\\sub\\"),
            InstallFolderLockName(root + L"\\zorvik client\\\\NEW\\.\\sub"));
  EXPECT_TRUE(taken_elsewhere(folder)) << "let go";
  std::shared_ptr<void> kept;
  std::thread([&] { kept = LockInstallFolder(folder); }).join();  // it ends holding the lock
  ASSERT_TRUE(kept);
  EXPECT_TRUE(LockInstallFolder(folder)) << "abandoned by a thread that ended holding it";
  kept.reset();
  RemoveDirectoryW(folder.c_str());
  RemoveDirectoryW(root.c_str());
}

}  // namespace
}  // namespace update
