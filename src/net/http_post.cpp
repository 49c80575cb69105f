#include "net/http_post.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "net/curl_handles.h"
#include "net/proxy_transfer.h"

namespace update {
namespace {

constexpr char kJsonContentType[] = "Content-Type:application/json;charset=UTF-8";

}  // namespace

bool InitializeHttp() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  return result == CURLE_OK;
}

std::size_t CollectResponse(char* data, std::size_t size, std::size_t count, void* userdata) {
  auto& body = *static_cast<CollectedBody*>(userdata);
  const std::size_t total = size * count;
  if (body.endedAtNul) return total;
  const void* nul = std::memchr(data, '\0', total);
  const std::size_t taken =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : total;
  if (taken > body.limit - body.text.size()) return 0;
  try {
    body.text.append(data, taken);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  body.endedAtNul = nul != nullptr;
  return total;
}

int HttpPostJson(int post, std::string& answer, std::string url, std::string body) {
  return internal::HttpPostJsonWithLimits(post, answer, std::move(url), std::move(body),
                                          internal::TransferLimits{});
}

int HttpPostJsonUnlessCancelled(int post, std::string& answer, std::string url, std::string body,
                                const std::atomic<bool>& cancel, TransferResult* result) {
  internal::TransferLimits limits;
  limits.cancel = &cancel;
  limits.result = result;
  return internal::HttpPostJsonWithLimits(post, answer, std::move(url), std::move(body), limits);
}

namespace internal {
namespace {

// libcurl's progress callback: a set cancel flag ends the transfer. Never throws.
int StopWhenCancelled(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
  return static_cast<const std::atomic<bool>*>(clientp)->load() ? 1 : 0;
}

}  // namespace

int HttpPostJsonWithLimits(int post, std::string& answer, std::string url, std::string body,
                           const TransferLimits& limits) {
  EasyHandle handle(curl_easy_init());
  if (!handle) return -1;
  HeaderList headers(curl_slist_append(nullptr, kJsonContentType));
  if (!headers) return -1;

  CollectedBody collected;
  collected.limit = limits.maxAnswerBytes;
  CURL* const h = handle.get();
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CollectResponse);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &collected);
  curl_easy_setopt(h, CURLOPT_POST, static_cast<long>(post));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.stallBytesPerSecond);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, limits.totalSeconds);
  // Time-outs must not be delivered by signals: other threads of the process may be running.
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  if (limits.cancel) {
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &StopWhenCancelled);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, limits.cancel);
  }

  const CURLcode code = PerformThroughProxy(h, url);
  if (limits.result) {
    limits.result->curlCode = code;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &limits.result->httpStatus);
  }
  if (code != CURLE_OK) {
    const char* reason = curl_easy_strerror(code);
    std::fprintf(stderr, "curl_easy_perform() failed: %s\n", reason);
    answer = reason;
    return -1;
  }
  answer = std::move(collected.text);
  return 0;
}

}  // namespace internal
}  // namespace update
