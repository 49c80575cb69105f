// The desktop shortcut, saved into the prefix's Desktop folder and read back through the shell
// link object.
#include "sys/desktop_shortcut.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <optional>

#include "sys_test_support.h"

namespace update {
namespace {

struct Link {
  std::wstring path;
  std::wstring workingFolder;
  std::wstring icon;
  int iconIndex = -1;
};

std::optional<Link> ReadLink(const std::wstring& file) {
  struct Com {
    Com() { CoInitialize(nullptr); }
    ~Com() { CoUninitialize(); }
  } com;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return std::nullopt;
  }
  std::optional<Link> read;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
      wchar_t path[MAX_PATH] = {}, folder[MAX_PATH] = {}, icon[MAX_PATH] = {};
      Link found;
      link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetWorkingDirectory(folder, MAX_PATH);
      link->GetIconLocation(icon, MAX_PATH, &found.iconIndex);
      found.path = path;
      found.workingFolder = folder;
      found.icon = icon;
      read = found;
    }
    persist->Release();
  }
  link->Release();
  return read;
}

std::wstring Desktop() {
  wchar_t path[MAX_PATH] = {};
  EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE));
  return path;
}

std::wstring ShortPathOf(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH] = {};
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? shortPath : path;
}

// A link name of this test, and its file on the desktop removed at the end.
class DesktopLink {
 public:
  DesktopLink() : name(L"\\" + test::UniqueName(L"Zorvik\x52A0\x901F\x5668") + L".lnk") {}
  ~DesktopLink() { DeleteFileW((Desktop() + name).c_str()); }
  const std::wstring name;
};

TEST(DesktopShortcutTest, SavesPathWorkingFolderAndIcon) {
  const test::TempFolder install;
  const std::wstring client = install.dir() + L"Zorvik Client.exe";
  test::InstallFakeClient(client);
  const std::wstring missing = install.dir() + L"missing\\ZorvikClient.exe";
  const std::wstring forward = install.path().generic_wstring() + L"/sub/ZorvikClient.exe";
  // The shell stores the target itself in its own canonical form; a relative one it resolves.
  const struct {
    std::wstring target;
    std::wstring path;
    std::wstring workingFolder;
    std::wstring icon;  // a missing file has no short path
  } cases[] = {
      {client, client, install.path().wstring(), ShortPathOf(client)},
      {missing, missing, install.dir() + L"missing", missing},
      {forward, install.dir() + L"sub\\ZorvikClient.exe",
       install.path().generic_wstring() + L"/sub", forward},
      {L"ZorvikClient.exe", install.dir() + L"ZorvikClient.exe", L"ZorvikClient.exe",
       L"ZorvikClient.exe"},
  };
  // The shell resolves a relative target against the current folder: let that be ours.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(install.path());
  struct Back {
    std::filesystem::path to;
    ~Back() { std::filesystem::current_path(to); }
  } back{previous};
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.target));
    const DesktopLink link;
    ASSERT_TRUE(CreateDesktopShortcut(row.target, link.name));
    const std::optional<Link> saved = ReadLink(Desktop() + link.name);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->path, row.path);
    EXPECT_EQ(saved->workingFolder, row.workingFolder);
    EXPECT_EQ(saved->icon, row.icon);
    EXPECT_EQ(saved->iconIndex, 0);
  }
}

TEST(DesktopShortcutTest, OverwritesALinkOfTheSameName) {
  const DesktopLink link;
  ASSERT_TRUE(CreateDesktopShortcut(L"C:\\First\\ZorvikClient.exe", link.name));
  ASSERT_TRUE(CreateDesktopShortcut(L"C:\\Second\\ZorvikClient.exe", link.name));
  const std::optional<Link> saved = ReadLink(Desktop() + link.name);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->path, L"C:\\Second\\ZorvikClient.exe");
}

// Under Wine the desktop is the prefix's own folder, not the Linux home's.
TEST(DesktopShortcutTest, LinkLandsInThePrefixsDesktopFolder) {
  wchar_t prefix[MAX_PATH] = {}, user[256] = {}, home[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) GTEST_SKIP() << "not Wine";
  ASSERT_TRUE(GetEnvironmentVariableW(L"USERNAME", user, 256));
  const DesktopLink link;
  ASSERT_TRUE(CreateDesktopShortcut(L"C:\\Zorvik\\ZorvikClient.exe", link.name));
  const std::filesystem::path inPrefix =
      L"Z:" + std::wstring(prefix) + L"\\drive_c\\users\\" + user + L"\\Desktop" + link.name;
  EXPECT_TRUE(std::filesystem::exists(inPrefix)) << inPrefix;
  if (GetEnvironmentVariableW(L"HOME", home, MAX_PATH)) {
    const std::filesystem::path inHome = L"Z:" + std::wstring(home) + L"\\Desktop" + link.name;
    EXPECT_FALSE(std::filesystem::exists(inHome)) << inHome;
  }
}

// The per-user shell folder pointed at a folder that does not exist: the desktop cannot be
// determined, and no link may land in the root of the drive instead.
TEST(DesktopShortcutTest, WritesNothingWithoutADesktopFolder) {
  constexpr wchar_t kShellFolders[] =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  RegistryKey folders;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          folders.Receive()),
            ERROR_SUCCESS);
  wchar_t saved[MAX_PATH] = {};
  DWORD type = 0, bytes = sizeof saved;
  ASSERT_EQ(RegQueryValueExW(folders.get(), L"Desktop", nullptr, &type,
                             reinterpret_cast<BYTE*>(saved), &bytes),
            ERROR_SUCCESS);
  struct Restore {
    HKEY key;
    DWORD type, bytes;
    const wchar_t* value;
    ~Restore() {
      RegSetValueExW(key, L"Desktop", 0, type, reinterpret_cast<const BYTE*>(value), bytes);
    }
  } restore{folders.get(), type, bytes, saved};
  const std::wstring nowhere = L"C:\\" + test::UniqueName(L"NoDesktop");
  ASSERT_EQ(RegSetValueExW(folders.get(), L"Desktop", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(nowhere.c_str()),
                           static_cast<DWORD>((nowhere.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);

  wchar_t lookup[MAX_PATH] = {};
  ASSERT_FALSE(SHGetSpecialFolderPathW(nullptr, lookup, CSIDL_DESKTOPDIRECTORY, FALSE)) << lookup;

  const std::wstring name = L"\\" + test::UniqueName(L"NoDesktop") + L".lnk";
  EXPECT_FALSE(CreateDesktopShortcut(L"C:\\Zorvik\\ZorvikClient.exe", name));
  EXPECT_FALSE(std::filesystem::exists(name)) << "in the root of the current drive";
  EXPECT_FALSE(std::filesystem::exists(nowhere + name));
  DeleteFileW(name.c_str());
}

}  // namespace
}  // namespace update
