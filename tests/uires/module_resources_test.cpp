// The package compiled into a Windows module: every file of src/uires is a resource of its type
// and name in Simplified Chinese (2052), with the same bytes. Checked in this test program (which
// links the package) and in Update.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "package_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

struct PackageResource {
  std::wstring type;
  std::wstring name;
  fs::path file;
};

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The XML and image resources, one per file of the type folders.
std::vector<PackageResource> PackageResources() {
  std::vector<PackageResource> resources;
  for (const wchar_t* folder : {L"uidef", L"layout", L"values", L"img"}) {
    for (const auto& entry : fs::directory_iterator(uires_test::PackagePath() / folder)) {
      resources.push_back({Upper(folder), entry.path().stem().wstring(), entry.path()});
    }
  }
  return resources;
}

std::vector<std::uint8_t> ResourceBytes(HMODULE module, HRSRC found) {
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
  if (data == nullptr) return {};
  return std::vector<std::uint8_t>(data, data + SizeofResource(module, found));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR param) {
  ++*reinterpret_cast<int*>(param);
  return TRUE;
}

void ExpectModuleHoldsPackage(HMODULE module) {
  const std::vector<PackageResource> resources = PackageResources();
  ASSERT_EQ(resources.size(), 18u);
  for (const PackageResource& resource : resources) {
    SCOPED_TRACE(testing::PrintToString(resource.type + L":" + resource.name));
    HRSRC found = FindResourceExW(module, resource.type.c_str(), resource.name.c_str(), kChinese);
    ASSERT_NE(found, nullptr) << std::hex << GetLastError();
    EXPECT_EQ(ResourceBytes(module, found), uires_test::ReadFileBytes(resource.file));
    // The loader matches names without regard to case, CJK names included.
    EXPECT_EQ(FindResourceExW(module, Lower(resource.type).c_str(), Lower(resource.name).c_str(),
                              kChinese),
              found);
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, resource.type.c_str(), resource.name.c_str(), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{kChinese});
  }
  // Nothing beyond the package's files.
  for (const auto& [type, count] :
       {std::pair{L"UIDEF", 1}, {L"LAYOUT", 1}, {L"VALUES", 3}, {L"IMG", 13}}) {
    int names = 0;
    EnumResourceNamesW(module, type, CountName, reinterpret_cast<LONG_PTR>(&names));
    EXPECT_EQ(names, count) << testing::PrintToString(std::wstring(type));
  }
}

void ExpectModuleHoldsIcon(HMODULE module) {
  HRSRC group = FindResourceExW(module, RT_GROUP_ICON, L"ICON_LOGO", kChinese);
  ASSERT_NE(group, nullptr) << std::hex << GetLastError();
  const std::vector<std::uint8_t> directory = ResourceBytes(module, group);
  ASSERT_EQ(directory.size(), 20u);  // header and one entry
  const std::vector<std::uint8_t> file =
      uires_test::ReadFileBytes(uires_test::PackagePath() / "icon" / "ICON_LOGO.ico");
  ASSERT_GT(file.size(), 22u);
  // The entry repeats the file's directory entry, with a resource id in place of the offset.
  EXPECT_EQ(std::memcmp(directory.data(), file.data(), 6 + 12), 0);
  const WORD id = static_cast<WORD>(directory[18] | directory[19] << 8);
  HRSRC image = FindResourceExW(module, RT_ICON, MAKEINTRESOURCEW(id), kChinese);
  ASSERT_NE(image, nullptr) << std::hex << GetLastError();
  EXPECT_EQ(ResourceBytes(module, image), std::vector<std::uint8_t>(file.begin() + 22, file.end()));
}

TEST(ModuleResourcesTest, TestProgramHoldsThePackage) {
  ExpectModuleHoldsPackage(GetModuleHandleW(nullptr));
  ExpectModuleHoldsIcon(GetModuleHandleW(nullptr));
}

struct ModuleDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModulePtr = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

TEST(ModuleResourcesTest, UpdateExeHoldsThePackage) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path program = fs::path(std::wstring(self, length)).parent_path() / L"Update.exe";
  ModulePtr module(LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << std::hex << GetLastError();
  ExpectModuleHoldsPackage(module.get());
  ExpectModuleHoldsIcon(module.get());
}

}  // namespace
