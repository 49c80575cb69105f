// The package download against the run's vendor-stub: what is left on disk and what the window
// was told, for a whole package and for each way a transfer can end early.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "net/http_post.h"
#include "stub_connection.h"
#include "sys/scoped_handle.h"
#include "workflow/file_ops.h"
#include "workflow/package_download.h"
#include "workflow/package_file.h"

namespace update {
namespace {

class RecordingEvents : public WorkflowEvents {
 public:
  explicit RecordingEvents(std::atomic<bool>* cancelOnFirstReport)
      : m_cancelOnFirstReport(cancelOnFirstReport) {}
  void ReportProgress(int percent, std::int32_t total) override {
    reports.emplace_back(percent, total);
    if (m_cancelOnFirstReport) *m_cancelOnFirstReport = true;
  }
  void ShowFailure(const Failure&) override { ADD_FAILURE() << "the download tells the window nothing"; }
  InstallOptions ReadInstallOptions() override { return {}; }
  void Close() override {}

  std::vector<std::pair<int, std::int32_t>> reports;

 private:
  std::atomic<bool>* m_cancelOnFirstReport;
};

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// -1 when there is no such file.
long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST(PackageDownloadTest, KeepsOnlyAWholePackageAndReportsEachChangeOnce) {
  ASSERT_TRUE(InitializeHttp());
  testing::StubConnection stub;
  ASSERT_TRUE(testing::FindStub(stub));
  struct Row {
    const char* what;
    std::string url;
    bool cancelOnFirstReport;
    bool ok;
    bool cancelled;
    int resumes;  // these routes break at half the package every time
  };
  const Row rows[] = {
      {"whole", stub.baseUrl + "/package/full", false, true, false, 0},
      {"404 page", stub.baseUrl + "/package/missing", false, false, false, 0},
      {"closed halfway", stub.baseUrl + "/package/truncated", false, false, false, 3},
      {"reset halfway", stub.baseUrl + "/package/reset", false, false, false, 3},
      // The stub stalls for 90 s; the limit here is 1 s. It offers no ranges.
      {"stalled halfway", stub.baseUrl + "/package/stall", false, false, false, 0},
      {"cancelled", stub.baseUrl + "/package/full", true, false, true, 0},
      {"server down", "http://127.0.0.1:9/package/full", false, false, false, 0},
  };
  DownloadLimits limits;
  limits.stallSeconds = 1;
  limits.resumeBackoffMs = {0, 0, 0};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::wstring path = TempPath(L"package-download-test.zip");
    std::atomic<bool> cancel{false};
    RecordingEvents events(row.cancelOnFirstReport ? &cancel : nullptr);
    const auto start = std::chrono::steady_clock::now();
    ::testing::internal::CaptureStderr();
    FileHandle package = CreateHeldPackage(path);
    ASSERT_TRUE(package);
    const DownloadOutcome outcome = DownloadPackage(row.url, package.get(), events, cancel, limits);
    package.Reset();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(outcome.ok, row.ok);
    EXPECT_EQ(outcome.cancelled, row.cancelled);
    EXPECT_EQ(errors.find("curl_easy_perform() failed: ") != std::string::npos, !row.ok) << errors;
    size_t resumes = 0;
    for (size_t at = errors.find("resuming"); at != std::string::npos;
         at = errors.find("resuming", at + 1)) {
      ++resumes;
    }
    EXPECT_EQ(resumes, static_cast<size_t>(row.resumes)) << errors;
    if (!row.ok) {
      EXPECT_EQ(FileSize(path), -1) << "a partial package was left behind";
      continue;
    }
    ASSERT_FALSE(events.reports.empty());
    EXPECT_EQ(events.reports.back().first, 100);
    EXPECT_EQ(events.reports.back().second, FileSize(path));
    EXPECT_EQ(outcome.reportedTotal, FileSize(path));
    for (size_t i = 1; i < events.reports.size(); ++i) {
      EXPECT_GT(events.reports[i].first, events.reports[i - 1].first) << "reported twice";
    }
    DeleteFileW(path.c_str());
  }
}

// A download never writes more than the package: a server that names no length (chunked here)
// is held to the ceiling, one that names it to that length.
TEST(PackageDownloadTest, NeverWritesMoreThanThePackage) {
  ASSERT_TRUE(InitializeHttp());
  testing::StubConnection stub;
  ASSERT_TRUE(testing::FindStub(stub));
  const std::wstring path = TempPath(L"package-bound-test.zip");
  long long packageSize = -1;
  for (const long long ceilingBelowPackage : {0LL, 1LL}) {
    DownloadLimits limits;
    limits.resumeBackoffMs = {0, 0, 0};
    if (ceilingBelowPackage) limits.largestUnannouncedPackage = packageSize - 1;
    for (const char* route : {"/package/chunked", "/package/full"}) {
      SCOPED_TRACE(std::string(route) + (ceilingBelowPackage ? ", ceiling below" : ""));
      std::atomic<bool> cancel{false};
      RecordingEvents events(nullptr);
      ::testing::internal::CaptureStderr();
      FileHandle package = CreateHeldPackage(path);
      ASSERT_TRUE(package);
      const DownloadOutcome outcome =
          DownloadPackage(stub.baseUrl + route, package.get(), events, cancel, limits);
      package.Reset();
      const std::string errors = ::testing::internal::GetCapturedStderr();
      const bool held = ceilingBelowPackage && std::string(route) == "/package/chunked";
      EXPECT_EQ(outcome.ok, !held) << errors;
      EXPECT_EQ(errors.find("sends more than the package's") != std::string::npos, held) << errors;
      if (held) {
        EXPECT_EQ(FileSize(path), -1) << "what came was left behind";
      } else {
        if (packageSize < 0) packageSize = FileSize(path);
        EXPECT_EQ(FileSize(path), packageSize);
      }
      DeleteFileW(path.c_str());
    }
  }
}

// The hold on the package: nobody else writes, replaces or deletes it while it lasts, and a
// package file that cannot be made (no such folder) is an invalid hold.
TEST(PackageDownloadTest, TheHeldPackageCannotBeChangedOrReplaced) {
  EXPECT_FALSE(CreateHeldPackage(TempPath(L"no-such-folder\\up.zip")));
  const std::wstring path = TempPath(L"package-hold-test.zip");
  const std::wstring other = TempPath(L"package-hold-test-other.zip");
  ASSERT_TRUE(SystemFileOps().WriteDurably(path, "planted before the download"));
  ASSERT_TRUE(SystemFileOps().WriteDurably(other, "a replacement"));
  FileHandle package = CreateHeldPackage(path);
  ASSERT_TRUE(package);
  EXPECT_EQ(FileSize(path), 0) << "what lay there before is gone";
  EXPECT_FALSE(
      FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr)))
      << "opened for writing";
  EXPECT_FALSE(DeleteFileW(path.c_str()));
  EXPECT_FALSE(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(MoveFileExW(path.c_str(), TempPath(L"package-hold-test-moved.zip").c_str(), 0));
  EXPECT_TRUE(FileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr)))
      << "others may still read it";
  EXPECT_TRUE(DeleteHeldPackage(package.get()));
  package.Reset();
  EXPECT_EQ(FileSize(path), -1);
  DeleteFileW(other.c_str());
}

}  // namespace
}  // namespace update
