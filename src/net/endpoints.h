// Endpoints of the vendor's web service. They are fixed when the program is built; for tests
// and staging an administrator may override them with the string values "ApiBaseUrl" and
// "LogUrl" under HKLM\SOFTWARE\IZorvik\Update (Windows only). Nothing else configures them.
#pragma once

#include <optional>
#include <string>

namespace update {

// The API server: scheme and host, no trailing slash; request paths are appended to it.
std::string ApiBaseUrl();

// The event report endpoint: host and path, normally without a scheme.
std::string LogUrl();

// A file of CA certificates the package download trusts instead of the system's store, given
// for tests and staging as the string value "CaFile" under the same key; empty otherwise.
std::string PackageCaFile();

namespace internal {

// The override key below HKLM.
inline constexpr wchar_t kEndpointOverrideKey[] = L"SOFTWARE\\IZorvik\\Update";

// Reads the string value `valueName` of the key HKLM\`keyPath` (the 64-bit registry view on
// 64-bit Windows, the one an administrator's tools show), converted to UTF-8. Empty when the
// key or value is missing, is not a string, or is empty; always empty off Windows.
std::optional<std::string> ReadEndpointOverride(const std::wstring& keyPath,
                                                const std::wstring& valueName);

}  // namespace internal
}  // namespace update
