// The whole run with the system and the window recorded: every step failing, and a close at
// every step, in both modes. Each row gives what the run did, in order; the way out must undo
// exactly what the run had done (a client it stopped started again in update mode, a folder it
// made removed in install mode, the package deleted once it exists) and nothing else.
#include "workflow/run.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/text_convert.h"
#include "net/event_report.h"

#include "workflow/folder_lock.h"

namespace update {
namespace {

// The system and the window, recorded. `failing` names the step that fails, and after a colon
// how, where a step can fail in several ways; `closing` the step during which the window is
// closed; `throwing` a step that throws.
class RecordingRun : public RunSystem, public WorkflowEvents {
 public:
  RecordingRun(std::string failing, std::string closing, std::atomic<bool>& cancel)
      : m_closing(std::move(closing)), m_cancel(cancel) {
    const size_t colon = failing.find(':');
    m_failing = failing.substr(0, colon);
    if (colon != std::string::npos) m_how = failing.substr(colon + 1);
  }

  std::shared_ptr<void> LockFolder(const std::wstring&) override {
    return Step("lock") ? std::make_shared<int>(0) : nullptr;
  }
  void ShowOtherRun() override { Step("show-other"); }
  bool SwapInterrupted(const std::wstring&) override { return swapInterrupted; }
  RecoveryOutcome Recover(const std::wstring&) override {
    if (Step("recover")) return RecoveryOutcome::kNothingLeft;
    return m_how == "stuck" ? RecoveryOutcome::kStuck : RecoveryOutcome::kRefused;
  }
  VersionReply RequestVersion(std::int32_t, const std::atomic<bool>&) override {
    VersionReply reply;
    reply.httpStatus = 200;
    reply.answer = R"({"success":true,"version_number":"2.0","url":"http://example.invalid/p.zip")";
    reply.answer += packageSha256.empty() ? "}" : R"(,"sha256":")" + packageSha256 + R"("})";
    if (Step("check")) return reply;
    if (m_how == "http") {
      reply.httpStatus = 503;
    } else if (m_how == "no-download") {
      reply.answer = R"({"success":false})";
    } else {
      reply.transfer = 7;  // CURLE_COULDNT_CONNECT
      reply.httpStatus = 0;
    }
    return reply;
  }
  std::string VendorKey() override { return vendorKey; }
  std::int64_t Now() override { return 1700000000; }
  std::uint64_t Milliseconds() override { return m_milliseconds += 250; }
  bool MakeInstallFolder(const std::wstring&) override { return Step("make-folder"); }
  bool FolderExists(const std::wstring&) override { return folderExists; }
  void StopClientAndDriver() override { Step("stop"); }
  FileHandle CreatePackage(const std::wstring&) override {
    return Step("create") ? FileHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) : FileHandle();
  }
  ChangedItems FetchChangedItems(const InstallJob&, HANDLE, WorkflowEvents&,
                                 const std::atomic<bool>&) override {
    Step("changed-items");
    ChangedItems changed;
    changed.outcome = m_cancel.load() ? ChangedItemsOutcome::kCancelled : changedItems;
    changed.fetchedBytes = 1000;
    return changed;
  }
  DownloadOutcome DownloadPackage(const InstallJob& job, HANDLE, WorkflowEvents&,
                                  const std::atomic<bool>&, bool takeSha256) override {
    EXPECT_EQ(job.packageUrl, "http://example.invalid/p.zip") << "the check's answer is used";
    EXPECT_EQ(takeSha256, !packageSha256.empty());
    DownloadOutcome outcome;
    outcome.ok = Step("download");
    outcome.bytes = 4096;
    outcome.sha256 = m_failing == "digest" ? std::string(64, 'b') : packageSha256;
    if (!outcome.ok) outcome.failure = {Reason::kDownloadHttpStatus, 404};
    if (m_cancel.load()) {
      outcome.ok = false;
      outcome.cancelled = true;
    }
    return outcome;
  }
  void DeletePackage(HANDLE) override { Step("delete"); }
  UnpackResult StageAndSwap(const InstallJob&, FileHandle package) override {
    EXPECT_TRUE(package);
    if (Step("swap")) return {UnpackOutcome::kDone};
    UnpackResult result;
    result.outcome = m_how == "space"   ? UnpackOutcome::kNoSpace
                     : m_how == "stuck" ? UnpackOutcome::kStuck
                                        : UnpackOutcome::kItemFailed;
    result.bytesShort = 5000;
    result.error = 32;  // ERROR_SHARING_VIOLATION
    if (m_how == "held") result.heldFile = L"bin\\tool.dll";
    return result;
  }
  void Report(const EventReport& report) override {
    std::string line = "report-" + std::to_string(report.act);
    if (!report.reason.empty()) line += "(" + WideToUtf8(report.reason) + ")";
    reports.push_back(BuildEventReportBody(report, L"10.0"));
    Step(line);
  }
  void Finish(const InstallJob&, double, const InstallOptions&) override { Step("finish"); }
  bool StartClient(const std::wstring&) override { return Step("start"); }
  void RemoveEmptyFolder(const std::wstring&) override { Step("remove-folder"); }

  void ReportProgress(int, std::int32_t) override {}
  void ShowFailure(const Failure& failure) override {
    shown = failure;
    Step("failed");
  }
  InstallOptions ReadInstallOptions() override {
    Step("options");
    return {};
  }
  void Close() override { Step("close"); }

  bool folderExists = true;
  bool swapInterrupted = false;
  std::string vendorKey;
  std::string packageSha256;
  ChangedItemsOutcome changedItems = ChangedItemsOutcome::kUnavailable;
  std::string throwing;
  std::string log;
  Failure shown;
  std::vector<std::string> reports;

 private:
  // Records the step; false when it is the one that fails. A close during it sets the cancel.
  bool Step(const std::string& name) {
    log += (log.empty() ? "" : " ") + name;
    if (name == m_closing) m_cancel = true;
    if (name == throwing) throw std::runtime_error("thrown by " + name);
    return name != m_failing;
  }

  std::string m_failing;
  std::string m_how;
  std::string m_closing;
  std::atomic<bool>& m_cancel;
  std::uint64_t m_milliseconds = 0;
};

// An update without a "sha256" in its answer tries the changed items first (a keyless build),
// which the recorder has unavailable: the tables leave that step out of their logs.
std::string WithoutChangedItems(std::string log) {
  for (size_t at; (at = log.find(" changed-items")) != std::string::npos;) log.erase(at, 14);
  return log;
}

RunOutcome RunRow(RecordingRun& run, std::atomic<bool>& cancel, bool updateMode) {
  InstallJob request;
  request.installDir = L"C:\\Z\\";
  request.updateMode = updateMode;
  request.clientTypeId = updateMode ? 3 : 0;
  ::testing::internal::CaptureStderr();
  const RunOutcome outcome = RunInstallOrUpdate(request, run, run, cancel);
  ::testing::internal::GetCapturedStderr();
  return outcome;
}

TEST(RunTest, EveryFailureAndEveryCloseLeavesByTheOneWayOut) {
  const std::string done = "recover check make-folder stop create download swap";
  const std::string update_done = done + " report-2 options finish start close";
  const std::string install_done = done + " report-1 options finish start close";
  const struct {
    const char* what;
    bool updateMode;
    const char* failing;
    const char* closing;  // the step during which the window is closed
    RunResult result;
    Reason reason;
    std::string log;
  } rows[] = {
      {"update: all well", true, "", "", RunResult::kDone, Reason::kNone, update_done},
      {"update: another run has the folder", true, "lock", "", RunResult::kElsewhere, Reason::kNone,
       "show-other close"},
      {"update: recovery refused", true, "recover", "", RunResult::kFailed,
       Reason::kRecoveryRefused, "recover failed report-4(recovery.refused)"},
      {"update: recovery stuck", true, "recover:stuck", "", RunResult::kFailed,
       Reason::kRecoveryStuck, "recover failed report-4(recovery.stuck)"},
      {"update: no connection for the check", true, "check", "", RunResult::kFailed,
       Reason::kCheckUnreachable, "recover check failed report-4(check.unreachable)"},
      {"update: the check's error status", true, "check:http", "", RunResult::kFailed,
       Reason::kCheckHttpStatus, "recover check failed report-4(check.http_status)"},
      {"update: no download offered", true, "check:no-download", "", RunResult::kFailed,
       Reason::kCheckNoDownload, "recover check failed report-4(check.no_download)"},
      {"update: no package file", true, "create", "", RunResult::kFailed,
       Reason::kPackageFileCannotBeMade,
       "recover check make-folder stop create failed start report-4(download.file_cannot_be_made)"},
      {"update: download", true, "download", "", RunResult::kFailed, Reason::kDownloadHttpStatus,
       "recover check make-folder stop create download delete failed start "
       "report-4(download.http_status)"},
      {"update: digest", true, "digest", "", RunResult::kFailed, Reason::kDigestMismatch,
       "recover check make-folder stop create download delete failed start "
       "report-4(digest.mismatch)"},
      {"update: swap", true, "swap", "", RunResult::kFailed, Reason::kUnpackFailed,
       done + " failed start report-4(unpack.failed)"},
      {"update: a held file", true, "swap:held", "", RunResult::kFailed, Reason::kSwapFileInUse,
       done + " failed start report-4(swap.file_in_use)"},
      {"update: no space", true, "swap:space", "", RunResult::kFailed, Reason::kDiskFull,
       done + " failed start report-4(disk.full)"},
      {"update: the swap stuck", true, "swap:stuck", "", RunResult::kFailed, Reason::kSwapStuck,
       done + " failed start report-4(swap.stuck)"},
      {"update: close during the check", true, "", "check", RunResult::kCancelled,
       Reason::kCancelledByUser, "recover check failed report-4(cancelled.by_user)"},
      {"update: close during the stops", true, "", "stop", RunResult::kCancelled,
       Reason::kCancelledByUser,
       "recover check make-folder stop failed start report-4(cancelled.by_user)"},
      {"update: close during the download", true, "download", "download", RunResult::kCancelled,
       Reason::kCancelledByUser,
       "recover check make-folder stop create download delete failed start "
       "report-4(cancelled.by_user)"},
      {"update: close during the swap", true, "", "swap", RunResult::kDone, Reason::kNone,
       update_done},
      // Once the swap has begun a close waits: a swap that fails then is a failure.
      {"update: close during a swap that fails", true, "swap", "swap", RunResult::kFailed,
       Reason::kUnpackFailed, done + " failed start report-4(unpack.failed)"},
      {"update: close while finishing", true, "", "finish", RunResult::kDone, Reason::kNone,
       update_done},
      {"install: all well", false, "", "", RunResult::kDone, Reason::kNone, install_done},
      {"install: check", false, "check", "", RunResult::kFailed, Reason::kCheckUnreachable,
       "recover check failed report-3(check.unreachable)"},
      {"install: the folder", false, "make-folder", "", RunResult::kFailed,
       Reason::kFolderCannotBeMade,
       "recover check make-folder failed remove-folder report-3(folder.cannot_be_made)"},
      {"install: download", false, "download", "", RunResult::kFailed, Reason::kDownloadHttpStatus,
       "recover check make-folder stop create download delete failed remove-folder "
       "report-3(download.http_status)"},
      {"install: swap", false, "swap", "", RunResult::kFailed, Reason::kUnpackFailed,
       done + " failed remove-folder report-3(unpack.failed)"},
      {"install: close during the download", false, "download", "download", RunResult::kCancelled,
       Reason::kCancelledByUser,
       "recover check make-folder stop create download delete failed remove-folder "
       "report-3(cancelled.by_user)"},
      {"install: close during the swap", false, "", "swap", RunResult::kDone, Reason::kNone,
       install_done},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<bool> cancel{false};
    RecordingRun run(row.failing, row.closing, cancel);
    run.folderExists = row.updateMode;  // an install goes into a new folder
    if (std::string(row.failing) == "digest") run.packageSha256 = std::string(64, 'a');
    const RunOutcome outcome = RunRow(run, cancel, row.updateMode);
    EXPECT_EQ(outcome.result, row.result);
    EXPECT_EQ(outcome.failure.reason, row.reason);
    EXPECT_EQ(run.shown.reason, row.result == RunResult::kDone ? Reason::kNone : row.reason);
    EXPECT_EQ(WithoutChangedItems(run.log), "lock " + row.log);
  }
}

// What a failure tells: the reason's number and the system's code, the step, the bytes that
// came and the time it took, after the Part's members; the page's line and whether 重试 shows.
TEST(RunTest, AFailureIsReportedAndShownWithItsReason) {
  const struct {
    const char* what;
    bool updateMode;
    const char* failing;
    const char* throwing;
    std::string report;
    const char* line;
    bool retry;
  } rows[] = {
      {"no connection for the check", true, "check", "",
       R"({"act":4,"type":3,"version":"","resion":"check.unreachable","os":"10.0","code":101,)"
       R"("detail":7,"step":"check","bytes":0,"ms":250})",
       "无法连接到服务器，请检查网络后重试", true},
      {"a missing package", true, "download", "",
       R"({"act":4,"type":3,"version":"2.0","resion":"download.http_status","os":"10.0",)"
       R"("code":503,"detail":404,"step":"download","bytes":4096,"ms":250})",
       "服务器暂时无法提供更新，请稍后重试", true},
      {"a held file", true, "swap:held", "",
       R"({"act":4,"type":3,"version":"2.0","resion":"swap.file_in_use","os":"10.0","code":902,)"
       R"("detail":32,"step":"swap","bytes":4096,"ms":250})",
       "文件被其他程序占用：bin\\tool.dll，请关闭该程序后重试", true},
      {"no space", false, "swap:space", "",
       R"({"act":3,"type":0,"version":"2.0","resion":"disk.full","os":"10.0","code":701,)"
       R"("detail":5000,"step":"disk","bytes":4096,"ms":250})",
       "磁盘空间不足，请再释放 4.9 KB 后重试", true},
      {"the folder", false, "make-folder", "",
       R"({"act":3,"type":0,"version":"2.0","resion":"folder.cannot_be_made","os":"10.0",)"
       R"("code":301,"detail":0,"step":"folder","bytes":0,"ms":250})",
       "无法写入安装目录，请选择其他目录", false},
      {"an exception in a step", true, "", "stop",
       R"({"act":4,"type":3,"version":"2.0","resion":"internal.exception","os":"10.0",)"
       R"("code":1401,"detail":0,"step":"internal","bytes":0,"ms":250})",
       "发生错误（代码 1401），请联系客服", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<bool> cancel{false};
    RecordingRun run(row.failing, "", cancel);
    run.folderExists = row.updateMode;
    run.throwing = row.throwing;
    const RunOutcome outcome = RunRow(run, cancel, row.updateMode);
    EXPECT_EQ(outcome.result, RunResult::kFailed);
    ASSERT_EQ(run.reports.size(), 1u) << run.log;
    EXPECT_EQ(run.reports[0], row.report);
    EXPECT_EQ(PageLine(outcome.failure), row.line);
    EXPECT_EQ(InfoOf(outcome.failure.reason).retryHelps, row.retry);
  }
}

// Which download, in a build without a key: only an answer without a "sha256" allows the changed
// items. A changed-items fetch that is unavailable takes the whole
// package; one that succeeds is not checked against the package's SHA-256.
TEST(RunTest, TheRunChoosesTheDownload) {
  const struct {
    const char* what;
    bool updateMode;
    const char* vendorKey;
    bool sha256;
    ChangedItemsOutcome changed;
    const char* fetches;  // the steps between create and swap
  } rows[] = {
      {"keyless, no sha256", true, "", false, ChangedItemsOutcome::kFetched, "changed-items"},
      {"keyless, a sha256", true, "", true, ChangedItemsOutcome::kFetched, "download"},
      {"keyless, unavailable", true, "", false, ChangedItemsOutcome::kUnavailable,
       "changed-items download"},
      {"an install", false, "", false, ChangedItemsOutcome::kFetched, "download"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<bool> cancel{false};
    RecordingRun run("", "", cancel);
    run.folderExists = row.updateMode;
    run.vendorKey = row.vendorKey;
    if (row.sha256) run.packageSha256 = std::string(64, 'a');
    run.changedItems = row.changed;
    EXPECT_EQ(RunRow(run, cancel, row.updateMode).result, RunResult::kDone);
    EXPECT_NE(run.log.find(std::string("create ") + row.fetches + " swap"), std::string::npos)
        << run.log;
  }
}

// A swap a crash interrupted is repaired with the client and driver stopped, since they hold its
// files; the run then goes on, stopping nothing twice, and a failed repair starts the old client
// again in update mode.
TEST(RunTest, ARepairStopsTheClientFirstAndTheRunGoesOn) {
  const std::string after_stop = "check make-folder create download swap";
  const struct {
    const char* what;
    bool updateMode;
    const char* failing;
    RunResult result;
    std::string log;
  } rows[] = {
      {"update", true, "", RunResult::kDone,
       "stop recover " + after_stop + " report-2 options finish start close"},
      {"update: the repair fails", true, "recover", RunResult::kFailed,
       "stop recover failed start report-4(recovery.refused)"},
      {"update: the check fails after the repair", true, "check", RunResult::kFailed,
       "stop recover check failed start report-4(check.unreachable)"},
      {"install", false, "", RunResult::kDone,
       "stop recover " + after_stop + " report-1 options finish start close"},
      {"install: the repair fails", false, "recover", RunResult::kFailed,
       "stop recover failed report-3(recovery.refused)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<bool> cancel{false};
    RecordingRun run(row.failing, "", cancel);
    run.swapInterrupted = true;
    EXPECT_EQ(RunRow(run, cancel, row.updateMode).result, row.result);
    EXPECT_EQ(WithoutChangedItems(run.log), "lock " + row.log);
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
