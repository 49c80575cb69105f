// Windows only: the administrator's endpoint override in the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include "net/endpoints.h"

namespace update {
namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;

// A key below HKLM made for one test and deleted, with everything in it, when it goes.
class ScopedMachineKey {
 public:
  explicit ScopedMachineKey(std::wstring path) : m_path(std::move(path)) {
    DWORD disposition = 0;
    const LSTATUS status =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_QUERY_VALUE | kView, nullptr, &m_key, &disposition);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating HKLM\\" << ::testing::PrintToString(m_path);
  }
  ScopedMachineKey(const ScopedMachineKey&) = delete;
  ScopedMachineKey& operator=(const ScopedMachineKey&) = delete;
  ~ScopedMachineKey() {
    if (m_key) RegCloseKey(m_key);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), kView, 0);
  }
  const std::wstring& path() const { return m_path; }
  void SetString(const wchar_t* name, const std::wstring& value) {
    ASSERT_EQ(RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  void SetDword(const wchar_t* name, DWORD value) {
    ASSERT_EQ(RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof value),
              ERROR_SUCCESS);
  }

 private:
  std::wstring m_path;
  HKEY m_key = nullptr;
};

bool MachineKeyExists(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | kView, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::wstring UniqueKeyPath() {
  return L"SOFTWARE\\UpdateNetTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount64());
}

TEST(EndpointOverrideTest, ReadsOnlyNonEmptyStringValues) {
  ScopedMachineKey key(UniqueKeyPath());
  key.SetString(L"Plain", L"http://127.0.0.1:8080");
  key.SetString(L"Wide", L"http://\x6D4B\x8BD5.example");
  key.SetString(L"Empty", L"");
  key.SetDword(L"Number", 8080);
  const std::wstring missingKey = key.path() + L"\\Missing";
  const struct {
    const std::wstring* keyPath;
    const wchar_t* value;
    std::optional<std::string> expected;
  } cases[] = {
      {&key.path(), L"Plain", "http://127.0.0.1:8080"},
      {&key.path(), L"Wide", "http://\xE6\xB5\x8B\xE8\xAF\x95.example"},
      {&key.path(), L"Empty", std::nullopt},
      {&key.path(), L"Number", std::nullopt},
      {&key.path(), L"Missing", std::nullopt},
      {&missingKey, L"Plain", std::nullopt},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(internal::ReadEndpointOverride(*cases[i].keyPath, cases[i].value), cases[i].expected);
  }
}

// Uses the real override key, so it runs only where no administrator has set one.
TEST(EndpointsTest, RegistryValuesOverrideTheBuiltInEndpoints) {
  if (MachineKeyExists(internal::kEndpointOverrideKey)) {
    GTEST_SKIP() << "HKLM\\SOFTWARE\\IZorvik\\Update exists here; not touching it";
  }
  const bool vendorKeyExisted = MachineKeyExists(L"SOFTWARE\\IZorvik");
  {
    ScopedMachineKey key(internal::kEndpointOverrideKey);
    key.SetString(L"ApiBaseUrl", L"http://127.0.0.1:8080/staging//");
    key.SetString(L"LogUrl", L"127.0.0.1:8080/log");
    EXPECT_EQ(ApiBaseUrl(), "http://127.0.0.1:8080/staging");  // the path is appended to it
    EXPECT_EQ(LogUrl(), "127.0.0.1:8080/log");
  }
  if (!vendorKeyExisted) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\IZorvik", kView, 0);
  EXPECT_FALSE(MachineKeyExists(internal::kEndpointOverrideKey));
  EXPECT_EQ(ApiBaseUrl(), UPDATE_API_BASE_URL);
  EXPECT_EQ(LogUrl(), UPDATE_LOG_URL);
}

}  // namespace
}  // namespace update
