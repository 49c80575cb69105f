// Why a run ended as it did: one named reason for every way out, with the system's own code
// beside it where there is one. The numbers and names go into the vendor's failure reports and
// the support line of the failure page: once shipped, a number or name is never reused or
// changed; a new reason takes a new number in its step's hundred. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace update {

enum class Reason : int {
  kNone = 0,
  // The version check. Detail: the libcurl code, or the HTTP status.
  kCheckUnreachable = 101,  // no connection to the service, or no answer from it
  kCheckHttpStatus = 102,   // the service answered with an error status
  kCheckNoDownload = 103,   // the answer allows no download
  // The answer's signature. Detail: what was wrong (1 unsigned, 2 malformed, 3 wrong, 4 expired).
  kSignatureRefused = 201,
  // The install folder. Detail: the Win32 error.
  kFolderCannotBeMade = 301,
  // Stopping the client and its driver service: stopping never fails a run today.
  // The download. Detail: the libcurl code, the HTTP status, or the Win32 error.
  kPackageFileCannotBeMade = 501,
  kDownloadUnreachable = 502,  // no connection, the connection lost, or a TLS failure
  kDownloadHttpStatus = 503,   // the server answered with an error status
  kDownloadTooLarge = 504,     // more bytes than the package's size
  kDownloadWriteFailed = 505,  // the package could not be written
  kDownloadFailed = 506,       // any other failure of the transfer
  // The package's digests.
  kDigestMismatch = 601,  // the package is not the one the answer gave
  // Disk space. Detail: the bytes needed beyond what is free, or the Win32 error.
  kDiskFull = 701,
  // The unpack and the swap. Detail: the Win32 error.
  kUnpackPackageUnreadable = 801,  // the package is no zip, or a damaged one
  kUnpackFailed = 802,             // an item could not be staged or put in place
  kSwapStuck = 901,                // the swap failed and could not be undone: repaired next start
  kSwapFileInUse = 902,            // another program holds a file of the install
  // The repair of a swap a crash interrupted.
  kRecoveryRefused = 1201,  // its journal cannot be read or names a place outside the folder
  kRecoveryStuck = 1202,    // a step back failed again
  // The user closed the window before the swap began.
  kCancelledByUser = 1301,
  // A fault of the program itself: an exception inside the run.
  kInternal = 1401,
};

// What the failure page says for a reason: one line per group.
enum class ReasonGroup {
  kNetwork,    // no network, or no answer from the service or the package's server
  kRefused,    // the answer or the package is not the vendor's
  kDiskSpace,  // not enough disk space
  kFileInUse,  // a file held by another program
  kFolder,     // the install folder cannot be written
  kCancelled,  // the user closed the window
  kOther,      // anything else: the page gives the reason's number for support
};

struct ReasonInfo {
  Reason reason;
  const char* name;  // stable ASCII, "step.what": the reports' "resion"
  const char* step;  // the step of the run it ends: the reports' "step"
  ReasonGroup group;
  bool retryHelps;  // a retry from the check can succeed (the page shows 重试)
};

// Every reason but kNone, in number order.
const ReasonInfo* AllReasons(std::size_t* count);
const ReasonInfo& InfoOf(Reason reason);

// Why a run failed.
struct Failure {
  Failure() = default;
  Failure(Reason why, std::int64_t code = 0, std::wstring what = std::wstring())
      : reason(why), detail(code), subject(std::move(what)) {}
  Reason reason = Reason::kNone;
  std::int64_t detail = 0;  // the system's own code; 0 when there is none
  std::wstring subject;     // the file in use, or empty
  explicit operator bool() const { return reason != Reason::kNone; }
};

// The failure page's line under "下载失败": what happened and what helps (UTF-8).
std::string PageLine(const Failure& failure);

}  // namespace update
