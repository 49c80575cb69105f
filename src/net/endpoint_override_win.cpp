// The administrator's endpoint override, read from the registry.
#include <windows.h>

#include <vector>

#include "common/text_convert.h"
#include "net/endpoints.h"

namespace update::internal {
namespace {

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (m_key) RegCloseKey(m_key);
  }
  HKEY* Receive() { return &m_key; }
  HKEY get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
};

}  // namespace

std::optional<std::string> ReadEndpointOverride(const std::wstring& keyPath,
                                                const std::wstring& valueName) {
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                    key.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer;
  LSTATUS status = ERROR_MORE_DATA;
  // The value may grow between asking its size and reading it: ask again then.
  for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
    DWORD bytes = 0;
    status = RegGetValueW(key.get(), nullptr, valueName.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                          &bytes);
    if (status != ERROR_SUCCESS) return std::nullopt;
    buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegGetValueW(key.get(), nullptr, valueName.c_str(), RRF_RT_REG_SZ, nullptr,
                          buffer.data(), &bytes);
  }
  if (status != ERROR_SUCCESS || buffer.empty() || buffer[0] == L'\0') return std::nullopt;
  return WideToUtf8(buffer.data());
}

}  // namespace update::internal
