#include "workflow/boot_rename.h"

#include <windows.h>

#include <cstdio>
#include <optional>

#include "sys/scoped_handle.h"
#include "workflow/pending_renames.h"

namespace update {
namespace {

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";

// The list as it stands: empty when there is none; null when it is not a list (then it is not
// ours to rewrite) or cannot be read.
std::optional<std::wstring> ReadList(HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, kPendingRenamesValue, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::wstring();
  if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return std::nullopt;
  std::wstring value(size / sizeof(wchar_t), L'\0');
  status = RegQueryValueExW(key, kPendingRenamesValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(value.data()), &size);
  if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return std::nullopt;
  value.resize(size / sizeof(wchar_t));
  return value;
}

// The new list on the disk before this returns: a power cut must not find the old one.
bool WriteList(HKEY key, const std::wstring& value) {
  const LSTATUS status = value.empty()
                             ? RegDeleteValueW(key, kPendingRenamesValue)
                             : RegSetValueExW(key, kPendingRenamesValue, 0, REG_MULTI_SZ,
                                              reinterpret_cast<const BYTE*>(value.data()),
                                              static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    SetLastError(static_cast<DWORD>(status));
    return false;
  }
  RegFlushKey(key);
  return true;
}

template <typename Change>
bool ChangeList(Change change) {
  RegistryKey key;
  LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, key.Receive());
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    return false;
  }
  const std::optional<std::wstring> list = ReadList(key.get());
  if (!list) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  const std::wstring changed = change(*list);
  return changed == *list || WriteList(key.get(), changed);
}

}  // namespace

bool ScheduleRenameAtBoot(const std::wstring& from, const std::wstring& to) {
  if (ChangeList([&](const std::wstring& list) { return WithPendingRename(list, from, to); })) {
    return true;
  }
  std::fprintf(stderr,
               "swap: the system's list of renames at its next start cannot be written (error "
               "%lu); a power cut in the updater's own swap would leave no %ls\n",
               GetLastError(), to.c_str());
  return false;
}

void WithdrawRenamesAtBootInside(const std::wstring& folder) {
  if (!ChangeList(
          [&](const std::wstring& list) { return WithoutPendingRenamesInside(list, folder); })) {
    std::fprintf(stderr,
                 "swap: the renames in %ls at the system's next start cannot be taken back (error "
                 "%lu); they do nothing while their targets are there\n",
                 folder.c_str(), GetLastError());
  }
}

}  // namespace update
