#include "workflow/package_transfer.h"

#include <windows.h>

#include <algorithm>

#include "net/endpoints.h"

namespace update {

void SetPackageTransferOptions(CURL* handle, const std::string& url, const DownloadLimits& limits) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(limits.maxRedirects));
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
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
}

bool IsBreak(CURLcode code) {
  return code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR ||
         code == CURLE_OPERATION_TIMEDOUT || code == CURLE_GOT_NOTHING;
}

bool WaitUnlessCancelled(int milliseconds, const std::atomic<bool>& cancel) {
  constexpr int kStep = 20;
  for (int waited = 0; waited < milliseconds; waited += kStep) {
    if (cancel.load()) return false;
    Sleep(static_cast<DWORD>(std::min(kStep, milliseconds - waited)));
  }
  return !cancel.load();
}

}  // namespace update
