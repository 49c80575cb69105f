// JSON requests to the vendor's web service: one synchronous HTTP POST per call over libcurl's
// easy interface. Portable; every call owns its own handle, so calls may run on any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace update {

// Initialises libcurl's global state. Call it once at start-up, before any thread can create a
// transfer handle: the library's implicit initialisation inside the first handle creation is
// not safe against a second thread doing the same. Later calls return the first call's result.
bool InitializeHttp();

// Posts `body` (its bytes up to the first NUL) to `url` with the single header line
// "Content-Type:application/json;charset=UTF-8". Returns 0 when the transfer completed,
// whatever the HTTP status: `answer` then holds the body as the server sent it (UTF-8), cut at
// its first NUL byte. Returns -1 when the transfer failed: a line "curl_easy_perform() failed:
// <reason>" goes to standard error and `answer` holds the library's text for the failure.
// If no transfer handle can be made, returns -1 and leaves `answer` as it was.
// The transfer gives up when connecting takes 10 s, when less than 1 byte/s arrives for 30 s,
// or after 60 s in all, so a caller waiting for it always gets its answer or its failure.
int HttpPostJson(int post, std::string& answer, std::string url, std::string body);
struct TransferResult;
// As HttpPostJson; `cancel` set ends the transfer within about a second, as a failure. With
// `result`, how the transfer ended goes there.
int HttpPostJsonUnlessCancelled(int post, std::string& answer, std::string url, std::string body,
                                const std::atomic<bool>& cancel, TransferResult* result = nullptr);

// The largest answer a JSON request takes; the service's answers are a few hundred bytes, and a
// runaway answer must not exhaust a 32-bit process.
constexpr std::size_t kMaxJsonAnswerBytes = 8 * 1024 * 1024;

// The collected answer of one transfer, filled by CollectResponse.
struct CollectedBody {
  std::string text;
  std::size_t limit = kMaxJsonAnswerBytes;  // growing beyond this fails the transfer
  bool endedAtNul = false;  // a NUL byte arrived: nothing after it belongs to the answer
};

// libcurl write callback; `userdata` is the running call's CollectedBody. Takes each chunk up
// to its first NUL byte. Returns size * count (the chunk is taken, the transfer goes on), or 0
// when the answer outgrows its limit, which makes the transfer fail.
std::size_t CollectResponse(char* data, std::size_t size, std::size_t count, void* userdata);

// How a transfer ended: libcurl's code (0 when it completed) and the HTTP status (0 when none
// came).
struct TransferResult {
  int curlCode = 0;
  long httpStatus = 0;
};

namespace internal {

// Limits of one JSON transfer; the defaults are those HttpPostJson uses. Tests shorten them.
struct TransferLimits {
  long connectTimeoutSeconds = 10;
  long stallBytesPerSecond = 1;
  long stallSeconds = 30;
  long totalSeconds = 60;
  std::size_t maxAnswerBytes = kMaxJsonAnswerBytes;
  // Set, it ends the transfer within about a second, as a failure ("Callback aborted").
  const std::atomic<bool>* cancel = nullptr;
  TransferResult* result = nullptr;  // filled in when given
};

int HttpPostJsonWithLimits(int post, std::string& answer, std::string url, std::string body,
                           const TransferLimits& limits);

}  // namespace internal
}  // namespace update
