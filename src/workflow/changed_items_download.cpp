#include "workflow/changed_items_download.h"

#include <windows.h>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/no_exception.h"
#include "net/curl_handles.h"
#include "net/proxy_transfer.h"
#include "sys/scoped_handle.h"
#include "workflow/answer_headers.h"
#include "workflow/download_progress.h"
#include "workflow/fetch_plan.h"
#include "workflow/file_ops.h"
#include "workflow/installed_names.h"
#include "workflow/item_digest_check.h"
#include "workflow/package_digest.h"
#include "workflow/package_file.h"
#include "workflow/package_transfer.h"
#include "zip/archive.h"
#include "zip/entry_path.h"
#include "zip/package_directory.h"

namespace update {
namespace {

using zip::PackageItem;

// A directory this large is no package of ours: a full download costs less than trusting it.
constexpr std::uint64_t kLargestDirectory = 16u << 20;

enum class Fetched { kOk, kCancelled, kFailed };

// One range of the package on its way: where its bytes go, and what the answers must say.
struct RangeTransfer {
  CURL* curl = nullptr;
  const std::string* url = nullptr;
  const std::atomic<bool>* cancel = nullptr;
  // The bytes asked for; for the tail, unknown until the first answer names them.
  std::optional<ByteSpan> wanted;
  std::uint64_t tailBytes = 0;  // the tail: the last this many bytes
  std::uint64_t received = 0;
  std::function<bool(const char*, size_t)> sink;
  std::optional<std::uint64_t> packageSize;  // every answer must name the same
  std::string validator;                     // of the first answer; If-Range of the others
  AnswerHeaders headers;
  const char* refusal = nullptr;  // why an answer was not taken
  // The bar: `progressBase` bytes of `progressTotal` came before this range; no bar when 0.
  WorkflowEvents* events = nullptr;
  std::uint64_t progressBase = 0;
  std::uint64_t progressTotal = 0;
  std::optional<ProgressReport> lastReport;
};

// The end of an answer's headers: only a partial answer with exactly the bytes still owed, of a
// package of the same size, is taken.
bool TakeAnswer(RangeTransfer& transfer) {
  long status = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 300 && status < 400) return true;  // a redirect on the way
  if (status != 206) {
    transfer.refusal = "the server does not serve byte ranges";
    return false;
  }
  const std::optional<ContentRange>& range = transfer.headers.contentRange;
  if (!range || !range->size || (transfer.packageSize && *range->size != *transfer.packageSize)) {
    transfer.refusal = "a partial answer names no range of the same package";
    return false;
  }
  if (!transfer.wanted) {
    if (range->last + 1 != *range->size) {
      transfer.refusal = "the tail's answer does not reach the end";
      return false;
    }
    transfer.wanted = ByteSpan{range->first, range->last};
  }
  if (range->first != transfer.wanted->first + transfer.received ||
      range->last != transfer.wanted->last) {
    transfer.refusal = "a partial answer holds other bytes than those asked for";
    return false;
  }
  transfer.packageSize = range->size;
  if (transfer.validator.empty()) transfer.validator = transfer.headers.Validator();
  return true;
}

size_t OnRangeHeader(char* data, size_t size, size_t count, void* userdata) noexcept {
  return OrOnException<size_t>(size_t{0}, [&]() -> size_t {
    auto* transfer = static_cast<RangeTransfer*>(userdata);
    const std::string_view line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
      transfer->headers = AnswerHeaders();
    } else if (line == "\r\n" || line == "\n") {
      if (!TakeAnswer(*transfer)) return 0;
    } else {
      transfer->headers.Read(line);
    }
    return size * count;
  });
}

size_t OnRangeData(char* data, size_t size, size_t count, void* userdata) noexcept {
  return OrOnException<size_t>(size_t{0}, [&]() -> size_t {
    auto* transfer = static_cast<RangeTransfer*>(userdata);
    const size_t bytes = size * count;
    if (!transfer->wanted || bytes > transfer->wanted->size() - transfer->received) {
      transfer->refusal = "a partial answer holds more bytes than it named";
      return 0;
    }
    if (!transfer->sink(data, bytes)) return 0;
    transfer->received += bytes;
    return bytes;
  });
}

int OnRangeProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
  auto* transfer = static_cast<RangeTransfer*>(clientp);
  if (transfer->cancel->load()) return 1;
  if (transfer->progressTotal == 0) return 0;
  const std::optional<ProgressReport> report =
      ProgressOf(static_cast<double>(transfer->progressTotal),
                 static_cast<double>(transfer->progressBase + transfer->received));
  if (!report || report == transfer->lastReport) return 0;
  try {
    transfer->events->ReportProgress(report->percent, report->total);
  } catch (...) {
    return 1;
  }
  transfer->lastReport = report;
  return transfer->cancel->load() ? 1 : 0;
}

// Fetches the transfer's range whole, resuming after a break as a whole download does.
Fetched FetchRange(RangeTransfer& transfer, const DownloadLimits& limits) {
  HeaderList ifRange;
  if (!transfer.validator.empty()) {
    ifRange.reset(curl_slist_append(nullptr, ("If-Range: " + transfer.validator).c_str()));
  }
  curl_easy_setopt(transfer.curl, CURLOPT_HTTPHEADER, ifRange.get());
  curl_easy_setopt(transfer.curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(transfer.curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(transfer.curl, CURLOPT_XFERINFODATA, &transfer);
  for (int resumes = 0;; ++resumes) {
    const std::string range = transfer.wanted
                                  ? std::to_string(transfer.wanted->first + transfer.received) +
                                        "-" + std::to_string(transfer.wanted->last)
                                  : "-" + std::to_string(transfer.tailBytes);
    curl_easy_setopt(transfer.curl, CURLOPT_RANGE, range.c_str());  // copied by libcurl
    transfer.refusal = nullptr;
    const CURLcode code = PerformThroughProxy(transfer.curl, *transfer.url);
    if (code == CURLE_OK && transfer.wanted && transfer.received == transfer.wanted->size()) {
      return Fetched::kOk;
    }
    if (transfer.cancel->load()) return Fetched::kCancelled;
    const bool resumable = (IsBreak(code) || code == CURLE_OK) && transfer.received > 0;
    if (transfer.refusal || !resumable ||
        resumes == static_cast<int>(limits.resumeBackoffMs.size())) {
      std::fprintf(stderr, "download: the range %s cannot be had: %s\n", range.c_str(),
                   transfer.refusal ? transfer.refusal : curl_easy_strerror(code));
      return Fetched::kFailed;
    }
    const int backoff = limits.resumeBackoffMs[static_cast<size_t>(resumes)];
    std::fprintf(stderr,
                 "download: the range %s broke off after %llu bytes (%s); resuming in %d ms\n",
                 range.c_str(), static_cast<unsigned long long>(transfer.received),
                 curl_easy_strerror(code), backoff);
    if (!WaitUnlessCancelled(backoff, *transfer.cancel)) return Fetched::kCancelled;
  }
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 20));
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// True when the install holds the item as the package records it: a folder that is there, or a
// file of the recorded size and SHA-256, read once. Whatever lies behind a link is fetched, so
// that the swap can refuse it. A cancel makes every file count as changed.
bool InstalledAsRecorded(const std::wstring& installDir, const PackageItem& item,
                         const std::atomic<bool>& cancel) {
  const std::wstring name = InstalledName(item.name);
  if (name.empty()) return true;  // the archive's root
  // Such a name is fetched for the unpack to refuse: no file outside the folder is read for it.
  if (!zip::StaysInside(name) || ReachesThroughLink(installDir, name)) return false;
  const std::wstring path = installDir + name;
  if (item.folder) return IsFolder(path);
  const FileHandle file(CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !GetFileSizeEx(file.get(), &size) ||
      static_cast<std::uint64_t>(size.QuadPart) != item.digest->size) {
    return false;
  }
  PackageDigest digest;
  std::vector<char> piece(1u << 20);
  std::uint64_t read = 0;
  DWORD got = 0;
  while (!cancel.load() &&
         ReadFile(file.get(), piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) &&
         got > 0) {
    digest.Add(piece.data(), got);
    read += got;
  }
  return read == item.digest->size && DigestMatches(digest.FinishHex(), Sha256Hex(*item.digest));
}

// Each file the package now holds is the item the directory recorded, byte for byte.
bool FetchedAsRecorded(HANDLE package, const FetchPlan& plan) {
  const LARGE_INTEGER start = {};
  if (!SetFilePointerEx(package, start, nullptr, FILE_BEGIN)) return false;
  const UniqueArchive archive(openArchiveHandle(package, nullptr));
  if (!archive) return false;
  for (size_t index = 0; index < plan.items.size(); ++index) {
    const PackageItem& item = *plan.items[index];
    if (item.folder) continue;
    const std::optional<zip::ItemDigest> digest =
        DigestOfItem(archive.get(), static_cast<int>(index));
    if (!digest || !(*digest == *item.digest)) {
      std::fprintf(stderr, "download: the item %ls is not what the package records\n",
                   item.name.c_str());
      return false;
    }
  }
  return true;
}

class ChangedItemsFetch {
 public:
  ChangedItemsFetch(const InstallJob& job, HANDLE package, WorkflowEvents& events,
                    const std::atomic<bool>& cancel, const DownloadLimits& limits)
      : m_job(job), m_package(package), m_events(events), m_cancel(cancel), m_limits(limits) {}

  ChangedItems Go() {
    if (!m_curl) return Unavailable("no transfer handle");
    SetPackageTransferOptions(m_curl.get(), m_job.packageUrl, m_limits);
    curl_easy_setopt(m_curl.get(), CURLOPT_HEADERFUNCTION, OnRangeHeader);
    curl_easy_setopt(m_curl.get(), CURLOPT_WRITEFUNCTION, OnRangeData);
    curl_easy_setopt(m_curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(m_curl.get(), CURLOPT_XFERINFOFUNCTION, OnRangeProgress);
    std::optional<std::vector<PackageItem>> items;
    if (const Fetched read = ReadItems(items); read != Fetched::kOk) return Ended(read);
    const std::optional<FetchPlan> plan = PlanFetch(*items, [this](const PackageItem& item) {
      return InstalledAsRecorded(m_job.installDir, item, m_cancel);
    });
    if (!plan) return Unavailable("the package records no digest of its items");
    std::fprintf(stderr, "download: %zu of %zu items changed: %llu of %llu bytes in %zu ranges\n",
                 plan->items.size(), items->size(), static_cast<unsigned long long>(plan->bytes),
                 static_cast<unsigned long long>(m_packageSize), plan->ranges.size());
    if (const Fetched fetched = FetchItems(*plan); fetched != Fetched::kOk) return Ended(fetched);
    const std::string directory = zip::DirectoryOfSpans(plan->items);
    if (!WriteAll(m_package, directory.data(), directory.size())) {
      return Unavailable("the package file cannot be written");
    }
    if (!FetchedAsRecorded(m_package, *plan)) return Unavailable("an item is not as recorded");
    ChangedItems result;
    result.outcome = ChangedItemsOutcome::kFetched;
    result.packageSize = m_packageSize;
    result.fetchedBytes = plan->bytes;
    return result;
  }

 private:
  RangeTransfer NewTransfer(std::function<bool(const char*, size_t)> sink) {
    RangeTransfer transfer;
    transfer.curl = m_curl.get();
    transfer.url = &m_job.packageUrl;
    transfer.cancel = &m_cancel;
    transfer.events = &m_events;
    transfer.sink = std::move(sink);
    if (m_packageSize > 0) transfer.packageSize = m_packageSize;
    transfer.validator = m_validator;
    return transfer;
  }

  // The items, from the tail and the directory where the tail does not hold it, checked against
  // the answer's digest of it. kFailed, with the reason on standard error, when the directory
  // cannot be had or trusted.
  Fetched ReadItems(std::optional<std::vector<PackageItem>>& items) {
    std::string tail;
    RangeTransfer tailTransfer = NewTransfer([&tail](const char* data, size_t size) {
      tail.append(data, size);
      return tail.size() <= zip::kEndRecordReach;
    });
    tailTransfer.tailBytes = zip::kEndRecordReach;
    if (const Fetched read = FetchRange(tailTransfer, m_limits); read != Fetched::kOk) return read;
    m_packageSize = *tailTransfer.packageSize;
    m_validator = tailTransfer.validator;
    // Without one, the package could change between two ranges unnoticed.
    if (m_validator.empty()) return Refuse("the package's answer names no validator");
    const std::uint64_t tailOffset = tailTransfer.wanted->first;
    const std::optional<zip::DirectoryPlace> place =
        zip::FindDirectory(tail, tailOffset, m_packageSize);
    if (!place || place->size > kLargestDirectory) {
      return Refuse("the package's tail holds no directory of ours");
    }
    std::string directory;
    if (place->offset >= tailOffset) {
      directory = tail.substr(static_cast<size_t>(place->offset - tailOffset), place->size);
    } else {
      RangeTransfer directoryTransfer = NewTransfer([&directory](const char* data, size_t size) {
        directory.append(data, size);
        return true;
      });
      directoryTransfer.wanted = ByteSpan{place->offset, place->offset + place->size - 1};
      if (const Fetched read = FetchRange(directoryTransfer, m_limits); read != Fetched::kOk) {
        return read;
      }
    }
    if (!m_job.directorySha256.empty()) {
      PackageDigest digest;
      digest.Add(directory.data(), directory.size());
      if (!DigestMatches(digest.FinishHex(), m_job.directorySha256)) {
        return Refuse("the package's directory is not the one the answer signed");
      }
    }
    items = zip::ReadPackageItems(directory, *place);
    if (!items) return Refuse("the package's directory cannot be read");
    InstalledNames names;
    for (const PackageItem& item : *items) {
      const std::wstring name = InstalledName(item.name);
      if (!name.empty() && !names.Add(name, item.folder)) {
        std::fprintf(stderr, "download: the package holds %ls twice, in another letter case\n",
                     name.c_str());
        return Fetched::kFailed;
      }
    }
    return Fetched::kOk;
  }

  static Fetched Refuse(const char* why) {
    std::fprintf(stderr, "download: %s\n", why);
    return Fetched::kFailed;
  }

  // Each range in turn, appended to the package file.
  Fetched FetchItems(const FetchPlan& plan) {
    std::uint64_t done = 0;
    for (const ByteSpan& span : plan.ranges) {
      RangeTransfer transfer = NewTransfer(
          [this](const char* data, size_t size) { return WriteAll(m_package, data, size); });
      transfer.wanted = span;
      transfer.progressBase = done;
      transfer.progressTotal = plan.bytes;
      transfer.lastReport = m_lastReport;
      const Fetched fetched = FetchRange(transfer, m_limits);
      m_lastReport = transfer.lastReport;
      if (fetched != Fetched::kOk) return fetched;
      done += span.size();
    }
    return Fetched::kOk;
  }

  ChangedItems Ended(Fetched how) {
    if (how == Fetched::kCancelled) {
      DeleteHeldPackage(m_package);
      ChangedItems result;
      result.outcome = ChangedItemsOutcome::kCancelled;
      return result;
    }
    return Unavailable(nullptr);  // FetchRange said why
  }

  ChangedItems Unavailable(const char* why) {
    if (why) std::fprintf(stderr, "download: %s\n", why);
    std::fprintf(stderr, "download: fetching the whole package instead\n");
    EmptyHeldPackage(m_package);
    ChangedItems result;
    result.packageSize = m_packageSize;
    return result;
  }

  const InstallJob& m_job;
  HANDLE m_package;
  WorkflowEvents& m_events;
  const std::atomic<bool>& m_cancel;
  const DownloadLimits& m_limits;
  const EasyHandle m_curl{curl_easy_init()};
  std::uint64_t m_packageSize = 0;
  std::string m_validator;
  std::optional<ProgressReport> m_lastReport;
};

}  // namespace

ChangedItems FetchChangedItems(const InstallJob& job, HANDLE package, WorkflowEvents& events,
                               const std::atomic<bool>& cancel, const DownloadLimits& limits) {
  return ChangedItemsFetch(job, package, events, cancel, limits).Go();
}

}  // namespace update
