// The autostart value and the uninstall entry, written to the prefix's real registry. Every
// test restores the two entries as it found them.
#include "sys/registry_entries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "sys_test_support.h"

namespace update {
namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kEntryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZorvikClient";

// The view the entries are written to; every Windows test runs on 64-bit Windows, so the other
// view is a different place.
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

RegistryKey OpenMachineKey(const wchar_t* path, REGSAM access = KEY_READ, REGSAM view = kView) {
  RegistryKey key;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access | view, key.Receive());
  return key;
}

std::optional<Value> ReadValue(const wchar_t* keyPath, const wchar_t* name, REGSAM view = kView) {
  const RegistryKey key = OpenMachineKey(keyPath, KEY_READ, view);
  DWORD type = 0;
  DWORD bytes = 0;
  if (!key || RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  Value value{type, std::vector<BYTE>(bytes)};
  RegQueryValueExW(key.get(), name, nullptr, nullptr, value.data.data(), &bytes);
  return value;
}

Value StringValue(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

RegistryKey CreateMachineKey(const wchar_t* path) {
  RegistryKey key;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE | kView, nullptr,
                            key.Receive(), nullptr),
            ERROR_SUCCESS);
  return key;
}

void WriteValue(const wchar_t* keyPath, const wchar_t* name, const Value& value) {
  const RegistryKey key = CreateMachineKey(keyPath);
  RegSetValueExW(key.get(), name, 0, value.type, value.data.data(),
                 static_cast<DWORD>(value.data.size()));
}

std::set<std::wstring> Names(const wchar_t* keyPath, bool subkeys) {
  const RegistryKey key = OpenMachineKey(keyPath);
  std::set<std::wstring> names;
  wchar_t name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(std::size(name));
    const LSTATUS status =
        subkeys ? RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr)
                : RegEnumValueW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return names;
    names.insert(name);
  }
}

// The autostart value and the uninstall subkey as they were, put back when the test ends.
class ScopedInstallEntries {
 public:
  ScopedInstallEntries() : m_autostart(ReadValue(kRunKey, L"IZorvik")) {
    for (const std::wstring& name : Names(kEntryKey, false)) {
      m_entry.emplace_back(name, *ReadValue(kEntryKey, name.c_str()));
    }
    m_entryExisted = static_cast<bool>(OpenMachineKey(kEntryKey));
  }
  ~ScopedInstallEntries() {
    const RegistryKey run = OpenMachineKey(kRunKey, KEY_SET_VALUE);
    RegDeleteValueW(run.get(), L"IZorvik");
    if (m_autostart) WriteValue(kRunKey, L"IZorvik", *m_autostart);
    const RegistryKey uninstall = OpenMachineKey(kUninstallKey, KEY_ALL_ACCESS);
    RegDeleteTreeW(uninstall.get(), L"ZorvikClient");
    if (m_entryExisted) CreateMachineKey(kEntryKey);
    for (const auto& [name, value] : m_entry) WriteValue(kEntryKey, name.c_str(), value);
  }

 private:
  std::optional<Value> m_autostart;
  bool m_entryExisted = false;
  std::vector<std::pair<std::wstring, Value>> m_entry;
};

void ExpectString(const wchar_t* keyPath, const wchar_t* name, const std::wstring& text) {
  SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
  const std::optional<Value> value = ReadValue(keyPath, name);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->data, StringValue(text).data);  // the NUL included
}

DWORD ReadEstimatedSize() {
  const std::optional<Value> value = ReadValue(kEntryKey, L"EstimatedSize");
  EXPECT_TRUE(value && value->type == REG_DWORD && value->data.size() == 4);
  if (!value || value->data.size() != 4) return 0xDEADBEEF;
  return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | value->data[3] << 24;
}

const UninstallInfo kInfo{L"C:\\Program Files\\ZorvikClient\\Uninstall.exe",
                          L"C:\\Program Files\\ZorvikClient\\ZorvikClient.exe", L"ZorvikClient",
                          L"IZorvik", L"2.3.0.\x6D4B"};

TEST(RegistryEntriesTest, WritesQuotedCommandLinesAndTheBareIcon) {
  const ScopedInstallEntries restore;
  EXPECT_TRUE(SetAutostartValue(kInfo.displayIcon, false));
  ASSERT_EQ(WriteUninstallEntry(kInfo, 51200), kUninstallEntryWritten);
  ExpectString(kRunKey, L"IZorvik", L"\"C:\\Program Files\\ZorvikClient\\ZorvikClient.exe\"");
  ExpectString(kEntryKey, L"DisplayIcon", L"C:\\Program Files\\ZorvikClient\\ZorvikClient.exe");
  ExpectString(kEntryKey, L"UninstallString",
               L"\"C:\\Program Files\\ZorvikClient\\Uninstall.exe\"");
  ExpectString(kEntryKey, L"DisplayName", L"ZorvikClient");
  ExpectString(kEntryKey, L"DisplayVersion", L"2.3.0.\x6D4B");
  ExpectString(kEntryKey, L"Publisher", L"IZorvik");
  EXPECT_EQ(ReadEstimatedSize(), 51200u);
  EXPECT_EQ(Names(kEntryKey, false).size(), 6u);
  // In the 32-bit view only, where the 32-bit program's entries have always been.
  EXPECT_FALSE(ReadValue(kRunKey, L"IZorvik", kOtherView));
  EXPECT_FALSE(OpenMachineKey(kEntryKey, KEY_READ, kOtherView));
}

TEST(RegistryEntriesTest, SecondRunOverwritesTheSameValueAndSubkey) {
  const ScopedInstallEntries restore;
  std::set<std::wstring> runValues = Names(kRunKey, false);
  std::set<std::wstring> uninstallKeys = Names(kUninstallKey, true);
  runValues.insert(L"IZorvik");
  uninstallKeys.insert(L"ZorvikClient");
  UninstallInfo second = kInfo;
  second.displayIcon = L"D:\\Other\\ZorvikClient.exe";
  second.displayVersion = L"";
  for (const UninstallInfo& info : {kInfo, second}) {
    EXPECT_TRUE(SetAutostartValue(info.displayIcon, false));
    EXPECT_EQ(WriteUninstallEntry(info, 7), kUninstallEntryWritten);
  }
  EXPECT_EQ(Names(kRunKey, false), runValues);
  EXPECT_EQ(Names(kUninstallKey, true), uninstallKeys);
  ExpectString(kRunKey, L"IZorvik", L"\"D:\\Other\\ZorvikClient.exe\"");
  ExpectString(kEntryKey, L"DisplayIcon", L"D:\\Other\\ZorvikClient.exe");
  ExpectString(kEntryKey, L"DisplayVersion", L"");  // 2 bytes: the NUL alone
}

TEST(RegistryEntriesTest, KeepExistingLeavesOnlyANonEmptyValue) {
  const struct {
    std::optional<std::wstring> present;
    bool keepExisting;
    std::wstring expected;
  } cases[] = {
      {L"\"D:\\Old\\ZorvikClient.exe\"", true, L"\"D:\\Old\\ZorvikClient.exe\""},
      {L"\"D:\\Old\\ZorvikClient.exe\"", false, L"\"C:\\New\\ZorvikClient.exe\""},
      {L"", true, L"\"C:\\New\\ZorvikClient.exe\""},
      {std::nullopt, true, L"\"C:\\New\\ZorvikClient.exe\""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const ScopedInstallEntries restore;
    const RegistryKey run = OpenMachineKey(kRunKey, KEY_SET_VALUE);
    RegDeleteValueW(run.get(), L"IZorvik");
    if (cases[i].present) WriteValue(kRunKey, L"IZorvik", StringValue(*cases[i].present));
    EXPECT_TRUE(SetAutostartValue(L"C:\\New\\ZorvikClient.exe", cases[i].keepExisting));
    ExpectString(kRunKey, L"IZorvik", cases[i].expected);
  }
}

TEST(RegistryEntriesTest, EstimatedSizeIsWholeKiBInFourBytes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double bytes;
    uint32_t kib;
  } cases[] = {
      {0, 0},
      {1023, 0},
      {1024, 1},
      {1048575, 1023},
      {1048576, 1024},
      {52428800, 51200},
      {-4096, 0},
      {nan, 0},
      {4398046510080.0, 0xFFFFFFFFu},
      {1e300, 0xFFFFFFFFu},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(EstimatedSizeInKiB(cases[i].bytes), cases[i].kib);
  }
  const ScopedInstallEntries restore;
  ASSERT_EQ(WriteUninstallEntry(kInfo, EstimatedSizeInKiB(1048575)), kUninstallEntryWritten);
  EXPECT_EQ(ReadEstimatedSize(), 1023u);
}

// Windows reads the autostart value as a command line. With C:\Program.exe present, the bare
// path of a client in "C:\Program Files" would start that program instead of the client.
TEST(RegistryEntriesTest, AutostartCommandLineStartsTheClientDespiteProgramExe) {
  const ScopedInstallEntries restore;
  const test::TempFolder install(L"C:\\Program Files");
  const test::TempFolder logs;
  const std::filesystem::path client = install.path() / L"ZorvikClient.exe";
  const std::filesystem::path decoy = L"C:\\Program.exe";
  ASSERT_FALSE(std::filesystem::exists(decoy));
  test::InstallFakeClient(client);
  test::InstallFakeClient(decoy);
  struct RemoveDecoy {
    ~RemoveDecoy() { DeleteFileW(L"C:\\Program.exe"); }
  } removeDecoy;

  ASSERT_TRUE(SetAutostartValue(client.wstring(), false));
  const std::optional<Value> value = ReadValue(kRunKey, L"IZorvik");
  ASSERT_TRUE(value);
  const std::wstring commandLine(reinterpret_cast<const wchar_t*>(value->data.data()));
  const struct {
    std::wstring commandLine;
    std::filesystem::path started;
  } cases[] = {{commandLine, client}, {client.wstring(), decoy}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(::testing::PrintToString(cases[i].commandLine));
    const std::filesystem::path log = logs.path() / (std::to_string(i) + ".log");
    const test::ChildProcess started(cases[i].commandLine, log);
    ASSERT_TRUE(test::WaitUntil([&] { return !test::LogLines(log).empty(); }));
    const std::string line = test::LogLines(log)[0];
    EXPECT_EQ(line.substr(0, line.find('\t')), cases[i].started.u8string());
  }
}

}  // namespace
}  // namespace update
