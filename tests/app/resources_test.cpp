// Update.exe's manifest and version record, read back with the resource API.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Update.exe";
}

struct ModuleDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModulePtr = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

TEST(UpdateExeResourcesTest, ManifestRequiresAdministrator) {
  ModulePtr module(LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << std::hex << GetLastError();
  HRSRC found = FindResourceExW(module.get(), MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(found, nullptr) << std::hex << GetLastError();
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module.get(), found)));
  const std::string manifest(bytes, SizeofResource(module.get(), found));
  EXPECT_NE(manifest.find(R"(level="requireAdministrator")"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos) << manifest;
}

class VersionRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
    ASSERT_GT(size, 0u) << std::hex << GetLastError();
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(ProgramPath().c_str(), 0, size, data_.data()));
  }

  std::wstring Query(const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(data_.data(), path.c_str(), &value, &length) || length == 0) return L"?";
    return std::wstring(static_cast<const wchar_t*>(value));
  }

  std::vector<BYTE> data_;
};

TEST_F(VersionRecordTest, FixedVersionsAre1_0_0_1) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
}

TEST_F(VersionRecordTest, StringsAndTranslation) {
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } rows[] = {
      {L"FileDescription", L"Update"}, {L"FileVersion", L"1, 0, 0, 1"},
      {L"InternalName", L"Update"},    {L"OriginalFilename", L"Update.exe"},
      {L"ProductName", L"Update"},     {L"ProductVersion", L"1, 0, 0, 1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.name)));
    EXPECT_EQ(Query(row.name), row.value);
  }
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 1200);
}

}  // namespace
