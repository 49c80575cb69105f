#include "sys/registry_entries.h"

#include <windows.h>

#include <shlwapi.h>

#include <limits>

#include "sys/command_line.h"
#include "sys/scoped_handle.h"

namespace update {
namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kAutostartValue[] = L"IZorvik";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kUninstallSubkey[] = L"ZorvikClient";
constexpr DWORD kPresentValueChars = 260;
constexpr REGSAM kView = KEY_WOW64_32KEY;

// Strings are stored with their terminating NUL.
void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY key, const wchar_t* name, DWORD number) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

bool HasNonEmptyAutostartValue(HKEY run) {
  wchar_t present[kPresentValueChars] = {};
  DWORD type = REG_SZ;
  DWORD bytes = sizeof present;
  return SHGetValueW(run, nullptr, kAutostartValue, &type, present, &bytes) == ERROR_SUCCESS &&
         present[0] != L'\0';
}

}  // namespace

bool SetAutostartValue(const std::wstring& exePath, bool keepExisting) {
  RegistryKey run;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS | kView, run.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (keepExisting && HasNonEmptyAutostartValue(run.get())) return true;
  SetString(run.get(), kAutostartValue, QuotedCommandPath(exePath));
  return true;
}

int WriteUninstallEntry(const UninstallInfo& info, uint32_t estimatedSize) {
  RegistryKey uninstall;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0,
                    KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | kView,
                    uninstall.Receive()) != ERROR_SUCCESS) {
    return kUninstallKeyUnavailable;
  }
  RegistryKey entry;
  if (RegCreateKeyExW(uninstall.get(), kUninstallSubkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE | kView, nullptr, entry.Receive(),
                      nullptr) != ERROR_SUCCESS) {
    return kUninstallKeyUnavailable;
  }
  SetString(entry.get(), L"DisplayIcon", info.displayIcon);
  SetString(entry.get(), L"UninstallString", QuotedCommandPath(info.uninstallString));
  SetString(entry.get(), L"DisplayName", info.displayName);
  SetString(entry.get(), L"DisplayVersion", info.displayVersion);
  SetString(entry.get(), L"Publisher", info.publisher);
  SetDword(entry.get(), L"EstimatedSize", estimatedSize);
  return kUninstallEntryWritten;
}

uint32_t EstimatedSizeInKiB(double bytes) {
  const double kib = bytes * (1.0 / 1024);
  if (!(kib >= 1)) return 0;  // also NaN
  if (kib >= static_cast<double>(std::numeric_limits<uint32_t>::max())) {
    return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(kib);
}

}  // namespace update
