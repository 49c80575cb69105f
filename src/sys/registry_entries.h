// The client's entries in the machine's registry: the autostart value and the uninstall entry.
// Both live under HKEY_LOCAL_MACHINE and need administrator rights. Windows only.
//
// Both are kept in the 32-bit registry view: the program is a 32-bit one, and on 64-bit Windows
// its entries have always been written there (HKLM\SOFTWARE\WOW6432Node\...), where Windows reads
// Run values and the list of programs as well. A build for another architecture (the 64-bit
// test build) writes to the same place, so what its tests see is what users get.
#pragma once

#include <cstdint>
#include <string>

namespace update {

// The texts of the uninstall entry "ZorvikClient".
struct UninstallInfo {
  std::wstring uninstallString;  // the uninstaller's path; stored in double quotes
  std::wstring displayIcon;      // the client's path; stored as it is
  std::wstring displayName;
  std::wstring publisher;
  std::wstring displayVersion;
};

// WriteUninstallEntry's results.
constexpr int kUninstallEntryWritten = 0;
constexpr int kUninstallKeyUnavailable = 2;

// Sets the value "IZorvik" of the machine's Run key to `exePath` in double quotes, so that the
// client starts at logon. With `keepExisting`, a present non-empty value is left as it is. True
// when the Run key could be opened (whether or not the value was written), false otherwise.
bool SetAutostartValue(const std::wstring& exePath, bool keepExisting);

// Creates (or opens) the uninstall subkey "ZorvikClient" and writes, in this order,
// "DisplayIcon", "UninstallString", "DisplayName", "DisplayVersion", "Publisher" (strings) and
// "EstimatedSize" (a 32-bit number, KiB). A value that cannot be written is skipped. Returns
// kUninstallEntryWritten once the subkey is open, kUninstallKeyUnavailable when the Uninstall
// key cannot be opened (it is never created) or the subkey cannot be created.
int WriteUninstallEntry(const UninstallInfo& info, uint32_t estimatedSize);

// The "EstimatedSize" of a package of `bytes` bytes: KiB, truncated toward zero; 0 for no or a
// negative size, and the largest 32-bit number for a size beyond it.
uint32_t EstimatedSizeInKiB(double bytes);

}  // namespace update
