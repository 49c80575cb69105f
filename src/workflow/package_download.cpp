#include "workflow/package_download.h"

#include <windows.h>

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "net/endpoints.h"
#include "sys/scoped_handle.h"
#include "workflow/download_progress.h"

namespace update {
namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct Transfer {
  HANDLE file;
  WorkflowEvents* events;
  const std::atomic<bool>* cancel;
  std::optional<ProgressReport> lastReport;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* userdata) {
  auto* transfer = static_cast<Transfer*>(userdata);
  const size_t bytes = size * count;
  size_t written = 0;
  while (written < bytes) {
    DWORD chunk = 0;
    const DWORD wanted = static_cast<DWORD>(bytes - written);
    if (!WriteFile(transfer->file, data + written, wanted, &chunk, nullptr) || chunk == 0) {
      return 0;  // disk full or the like: the transfer fails
    }
    written += chunk;
  }
  return bytes;
}

// libcurl's progress callback: the window hears the percent and total while the total is known;
// a set cancel flag ends the transfer. Never lets an exception into libcurl.
int OnDownloadProgress(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                       curl_off_t) noexcept {
  auto* transfer = static_cast<Transfer*>(clientp);
  if (transfer->cancel->load()) return 1;
  const std::optional<ProgressReport> report =
      ProgressOf(static_cast<double>(dltotal), static_cast<double>(dlnow));
  // Each report waits for the window's thread: only a change is worth its time (libcurl calls
  // back many times a second, and a screen reader reading the window waits behind them).
  if (!report || report == transfer->lastReport) return 0;
  try {
    transfer->events->ReportProgress(report->percent, report->total);
  } catch (...) {
    return 1;
  }
  transfer->lastReport = report;
  return transfer->cancel->load() ? 1 : 0;
}

}  // namespace

DownloadOutcome DownloadPackage(const std::string& url, const std::wstring& path,
                                WorkflowEvents& events, const std::atomic<bool>& cancel,
                                const DownloadLimits& limits) {
  DownloadOutcome outcome;
  const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return outcome;
  CURLcode code = CURLE_OK;
  {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return outcome;
    Transfer transfer{file.get(), &events, &cancel, std::nullopt};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(limits.maxRedirects));
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnDownloadProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    // This program runs elevated and starts what it downloads: a forged certificate must not
    // deliver it.
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    const std::string ca_file = PackageCaFile();
    if (!ca_file.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, ca_file.c_str());
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    code = curl_easy_perform(handle);
    if (transfer.lastReport) outcome.reportedTotal = transfer.lastReport->total;
  }
  if (code == CURLE_OK) {
    outcome.ok = true;
    return outcome;
  }
  outcome.cancelled = code == CURLE_ABORTED_BY_CALLBACK && cancel.load();
  std::fprintf(stderr, "curl_easy_perform() failed: %s\n", curl_easy_strerror(code));
  DeleteFileW(path.c_str());
  return outcome;
}

}  // namespace update
