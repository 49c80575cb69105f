#include "workflow/package_download.h"

#include <windows.h>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "common/no_exception.h"
#include "net/curl_handles.h"
#include "net/proxy_transfer.h"
#include "workflow/answer_headers.h"
#include "workflow/download_progress.h"
#include "workflow/package_digest.h"
#include "workflow/package_file.h"
#include "workflow/package_transfer.h"

namespace update {
namespace {

struct Transfer {
  Transfer(CURL* curl, HANDLE file, WorkflowEvents* events, const std::atomic<bool>* cancel,
           std::uint64_t ceiling)
      : curl(curl), file(file), events(events), cancel(cancel), ceiling(ceiling) {}
  CURL* curl;
  HANDLE file;
  WorkflowEvents* events;
  const std::atomic<bool>* cancel;
  std::optional<ProgressReport> lastReport;
  std::optional<PackageDigest> digest;  // of every byte on disk, when asked for
  std::uint64_t written = 0;            // bytes on disk
  std::uint64_t base = 0;               // the answer's first byte is this byte of the package
  std::uint64_t ceiling;                // for a package whose answer names no size
  std::uint64_t packageSize = 0;        // the most the file may hold: as the answer says
  AnswerHeaders headers;                // of the answer under way
  // The validator of the package's last whole answer, when that answer also served ranges.
  std::string validator;
  // Why the transfer was stopped from here, if it was.
  Failure stopped;
};

// Back to an empty file: the server sent the whole package again.
bool StartOver(Transfer& transfer) {
  if (!EmptyHeldPackage(transfer.file)) return false;
  if (transfer.digest) transfer.digest.emplace();
  transfer.written = 0;
  return true;
}

// The end of an answer's headers: a partial answer must continue the file where it ends, a
// whole one starts it again. False stops the transfer.
bool BeginBody(Transfer& transfer) {
  long status = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
  if (status == 206) {
    if (!transfer.headers.contentRange ||
        transfer.headers.contentRange->first != transfer.written) {
      std::fprintf(stderr, "download: the server resumed at another byte than %llu\n",
                   static_cast<unsigned long long>(transfer.written));
      transfer.stopped = {Reason::kDownloadFailed, 206};
      return false;
    }
    transfer.base = transfer.written;
    transfer.packageSize = transfer.headers.contentRange->size.value_or(transfer.ceiling);
    return true;
  }
  if (status < 200 || status >= 300) return true;  // a redirect, or an error libcurl reports
  transfer.base = 0;
  transfer.packageSize = transfer.headers.contentLength.value_or(transfer.ceiling);
  transfer.validator =
      transfer.headers.acceptsByteRanges ? transfer.headers.Validator() : std::string();
  if (transfer.written == 0 || StartOver(transfer)) return true;
  transfer.stopped = {Reason::kDownloadWriteFailed, static_cast<std::int64_t>(GetLastError())};
  return false;
}

size_t OnHeader(char* data, size_t size, size_t count, void* userdata) noexcept {
  return OrOnException<size_t>(size_t{0}, [&]() -> size_t {
    auto* transfer = static_cast<Transfer*>(userdata);
    const std::string_view line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
      transfer->headers = AnswerHeaders();  // a new answer: after a redirect, say
    } else if (line == "\r\n" || line == "\n") {
      if (!BeginBody(*transfer)) return 0;
    } else {
      transfer->headers.Read(line);
    }
    return size * count;
  });
}

size_t WriteToFile(char* data, size_t size, size_t count, void* userdata) noexcept {
  return OrOnException<size_t>(size_t{0}, [&]() -> size_t {
    auto* transfer = static_cast<Transfer*>(userdata);
    const size_t bytes = size * count;
    // A server that sends more than the package it announced would fill the disk.
    if (bytes > transfer->packageSize - std::min(transfer->packageSize, transfer->written)) {
      std::fprintf(stderr, "download: the server sends more than the package's %llu bytes\n",
                   static_cast<unsigned long long>(transfer->packageSize));
      transfer->stopped = {Reason::kDownloadTooLarge,
                           static_cast<std::int64_t>(transfer->packageSize)};
      return 0;
    }
    size_t written = 0;
    while (written < bytes) {
      DWORD chunk = 0;
      const DWORD wanted = static_cast<DWORD>(bytes - written);
      if (!WriteFile(transfer->file, data + written, wanted, &chunk, nullptr) || chunk == 0) {
        const DWORD error = GetLastError();
        const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
        transfer->stopped = {full ? Reason::kDiskFull : Reason::kDownloadWriteFailed,
                             full ? 0 : static_cast<std::int64_t>(error)};
        return 0;  // the transfer fails
      }
      written += chunk;
    }
    if (transfer->digest) transfer->digest->Add(data, bytes);
    transfer->written += bytes;
    return bytes;
  });
}

// libcurl's progress callback: the window hears the percent and total of the whole package
// while the total is known; a set cancel flag ends the transfer. Never lets an exception into
// libcurl.
int OnDownloadProgress(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                       curl_off_t) noexcept {
  auto* transfer = static_cast<Transfer*>(clientp);
  if (transfer->cancel->load()) return 1;
  const double base = static_cast<double>(transfer->base);
  const std::optional<ProgressReport> report =
      dltotal == 0
          ? std::nullopt
          : ProgressOf(base + static_cast<double>(dltotal), base + static_cast<double>(dlnow));
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

void SetOptions(CURL* handle, const std::string& url, Transfer& transfer,
                const DownloadLimits& limits) {
  SetPackageTransferOptions(handle, url, limits);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnDownloadProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
}

// Why a transfer that ended with `code` failed, when nothing of ours stopped it.
Failure FailureOf(CURL* curl, CURLcode code) {
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  switch (code) {
    case CURLE_HTTP_RETURNED_ERROR:
      return {Reason::kDownloadHttpStatus, status};
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
      return {Reason::kDownloadUnreachable, code};
    default:
      return {Reason::kDownloadFailed, code};
  }
}

}  // namespace

DownloadOutcome DownloadPackage(const std::string& url, HANDLE file, WorkflowEvents& events,
                                const std::atomic<bool>& cancel, const DownloadLimits& limits,
                                bool takeSha256) {
  DownloadOutcome outcome;
  const EasyHandle curl(curl_easy_init());
  if (!curl) {
    DeleteHeldPackage(file);
    outcome.failure = {Reason::kDownloadFailed, CURLE_FAILED_INIT};
    return outcome;
  }
  CURLcode code = CURLE_OK;
  {
    Transfer transfer(curl.get(), file, &events, &cancel, limits.largestUnannouncedPackage);
    if (takeSha256) transfer.digest.emplace();
    SetOptions(curl.get(), url, transfer, limits);
    HeaderList if_range;
    for (int resumes = 0;; ++resumes) {
      code = PerformThroughProxy(curl.get(), url);
      if (code == CURLE_OK || cancel.load()) break;
      // A break after data came is taken up where the file ends, while the package is still
      // the one the first bytes came from (If-Range): a changed one comes whole.
      const bool resumable = IsBreak(code) && transfer.written > 0 && !transfer.validator.empty();
      if (!resumable || resumes == static_cast<int>(limits.resumeBackoffMs.size())) break;
      const int backoff = limits.resumeBackoffMs[static_cast<size_t>(resumes)];
      std::fprintf(stderr, "download: broke off after %llu bytes (%s); resuming in %d ms\n",
                   static_cast<unsigned long long>(transfer.written), curl_easy_strerror(code),
                   backoff);
      if (!WaitUnlessCancelled(backoff, cancel)) break;
      const std::string range = std::to_string(transfer.written) + "-";
      if_range.reset(curl_slist_append(nullptr, ("If-Range: " + transfer.validator).c_str()));
      curl_easy_setopt(curl.get(), CURLOPT_RANGE, range.c_str());  // copied by libcurl
      curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, if_range.get());
    }
    if (transfer.lastReport) outcome.reportedTotal = transfer.lastReport->total;
    if (transfer.digest) outcome.sha256 = transfer.digest->FinishHex();
    outcome.bytes = transfer.written;
    outcome.failure = transfer.stopped ? transfer.stopped : FailureOf(curl.get(), code);
  }
  if (code == CURLE_OK) {
    outcome.ok = true;
    outcome.failure = Failure();
    return outcome;
  }
  outcome.cancelled = cancel.load();
  std::fprintf(stderr, "curl_easy_perform() failed: %s\n", curl_easy_strerror(code));
  DeleteHeldPackage(file);
  return outcome;
}

}  // namespace update
