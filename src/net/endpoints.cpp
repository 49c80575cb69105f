#include "net/endpoints.h"

namespace update {

std::string ApiBaseUrl() {
  std::string url = internal::ReadEndpointOverride(internal::kEndpointOverrideKey, L"ApiBaseUrl")
                        .value_or(UPDATE_API_BASE_URL);
  // Request paths are appended directly, so a slash typed at the end would double.
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

std::string LogUrl() {
  return internal::ReadEndpointOverride(internal::kEndpointOverrideKey, L"LogUrl")
      .value_or(UPDATE_LOG_URL);
}

std::string PackageCaFile() {
  return internal::ReadEndpointOverride(internal::kEndpointOverrideKey, L"CaFile").value_or("");
}

#ifndef _WIN32
namespace internal {

std::optional<std::string> ReadEndpointOverride(const std::wstring&, const std::wstring&) {
  return std::nullopt;
}

}  // namespace internal
#endif

}  // namespace update
