// Resources of this test program (which links the UI package) through ModuleResourceProvider:
// type and name match without regard to case, CJK names included.
#include "toolkit/win32/module_resource_provider.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

toolkit::ResourceBytes ReadPackageFile(const std::string& relative) {
  // The names are UTF-8 (CJK included): open them as Unicode paths.
  std::ifstream file(std::filesystem::u8path(std::string(UPDATE_UIRES_DIR) + "/" + relative),
                     std::ios::binary);
  return toolkit::ResourceBytes(std::istreambuf_iterator<char>(file), {});
}

TEST(ModuleResourceProviderTest, FindsResourcesInAnyLetterCase) {
  const toolkit::ModuleResourceProvider provider(GetModuleHandleW(nullptr));
  const struct {
    const char* name;
    const char* file;
  } rows[] = {
      {"LAYOUT:XML_MAINWND", "layout/XML_MAINWND.xml"},
      {"layout:xml_mainwnd", "layout/XML_MAINWND.xml"},
      {"uidef:xml_init", "uidef/XML_INIT.xml"},
      {"Values:Skin", "values/SKIN.xml"},
      {"img:progress_bkg", "img/PROGRESS_BKG.png"},
      {"img:radio选择", "img/RADIO选择.png"},
      {"IMG:RADIO选择", "img/RADIO选择.png"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const std::optional<toolkit::ResourceBytes> bytes = provider.Load(rows[i].name);
    ASSERT_TRUE(bytes.has_value()) << rows[i].name;
    const toolkit::ResourceBytes expected = ReadPackageFile(rows[i].file);
    ASSERT_FALSE(expected.empty()) << rows[i].file;
    EXPECT_EQ(*bytes, expected);
  }
}

// A resource module mapped as resources only (as the program maps "ui-sys-resource.dll", so
// that none of its code can run) serves its resources as a loaded one does.
TEST(ModuleResourceProviderTest, ReadsAModuleMappedAsResourcesOnly) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  const HMODULE mapped =
      LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(mapped, nullptr);
  const std::optional<toolkit::ResourceBytes> bytes =
      toolkit::ModuleResourceProvider(mapped).Load("uidef:xml_init");
  FreeLibrary(mapped);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, ReadPackageFile("uidef/XML_INIT.xml"));
}

TEST(ModuleResourceProviderTest, RefusesWhatTheModuleDoesNotHold) {
  const toolkit::ModuleResourceProvider provider(GetModuleHandleW(nullptr));
  const char* rows[] = {"img:traymenu_icons", "img:radio", "layout:",       ":XML_MAINWND",
                        "LAYOUTXML_MAINWND",  "",          "img:radio选择x"};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(provider.Load(rows[i]).has_value()) << rows[i];
  }
  EXPECT_FALSE(toolkit::ModuleResourceProvider(nullptr).Load("img:min").has_value());
}

}  // namespace
