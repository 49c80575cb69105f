// Resource names and the folder provider, over the real package and over scratch folders.
#include "toolkit/core/resource_provider.h"
#include "toolkit/core/folder_resource_provider.h"

#include <gtest/gtest.h>

#include <string>

#include "package_folder.h"

namespace {

using toolkit::FolderResourceProvider;
using toolkit::ResourceBytes;
using uires_test::PackageFolder;
using uires_test::PackagePath;
using uires_test::ScratchFolder;

ResourceBytes Bytes(const std::string& text) {
  return ResourceBytes(text.begin(), text.end());
}

TEST(ResourceNameTest, SplitsAtTheFirstColon) {
  const struct {
    const char* text;
    bool valid;
    const char* type;
    const char* name;
  } rows[] = {
      {"LAYOUT:XML_MAINWND", true, "LAYOUT", "XML_MAINWND"},
      {"img:radio选择", true, "img", "radio选择"},
      {"a:b:c", true, "a", "b:c"},
      {"", false, "", ""},
      {"nocolon", false, "", ""},
      {":", false, "", ""},
      {":XML_INIT", false, "", ""},
      {"uidef:", false, "", ""},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const auto parsed = toolkit::ParseResourceName(rows[i].text);
    ASSERT_EQ(parsed.has_value(), rows[i].valid);
    if (!parsed) continue;
    EXPECT_EQ(parsed->type, rows[i].type);
    EXPECT_EQ(parsed->name, rows[i].name);
  }
}

TEST(ResourceNamesEqualTest, FoldsLettersAndNothingElse) {
  const struct {
    const char* a;
    const char* b;
    bool equal;
  } rows[] = {
      {"PROGRESS_BKG", "progress_bkg", true},
      {"RADIO选择", "radio选择", true},
      {"Values", "vALUES", true},
      {"", "", true},
      {"选择", "选泽", false},  // CJK has no case: a different character stays different
      {"img", "img_", false},
      {"img_", "img", false},
      {"img", "", false},
      {"[", "{", false},  // 0x5B and 0x7B differ by 0x20 but are no letters
      {"@", "`", false},
      {"É", "é", true},
      {"Ÿ", "ÿ", true},
      {"×", "÷", false},
      {"Ł", "ł", true},
      {"Ω", "ω", true},
      {"Σ", "ς", true},
      {"Я", "я", true},
      {"Ё", "ё", true},
      {"\xff", "\xff", true},  // invalid UTF-8 compares byte for byte
      {"\xff", "\xfe", false},
      {"\xc3", "\xc3\xa9", false},  // truncated sequence
      {"\xc0\xaf", "/", false},     // overlong form is not a slash
      {"\xed\xa0\x80", "\xed\xa0\x80", true},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(toolkit::ResourceNamesEqual(rows[i].a, rows[i].b), rows[i].equal);
    EXPECT_EQ(toolkit::ResourceNamesEqual(rows[i].b, rows[i].a), rows[i].equal);
  }
}

TEST(FolderResourceProviderTest, FindsPackageResourcesInAnyLetterCase) {
  const struct {
    const char* name;
    const char* file;
  } rows[] = {
      {"LAYOUT:XML_MAINWND", "layout/XML_MAINWND.xml"},
      {"layout:xml_mainwnd", "layout/XML_MAINWND.xml"},
      {"uidef:xml_init", "uidef/XML_INIT.xml"},
      {"values:string", "values/STRING.xml"},
      {"Values:Color", "values/COLOR.xml"},
      {"VALUES:SKIN", "values/SKIN.xml"},
      {"img:progress_bkg", "img/PROGRESS_BKG.png"},
      {"IMG:IMG_1", "img/IMG_1.png"},
      {"img:radio选择", "img/RADIO选择.png"},
      {"Img:Radio选择", "img/RADIO选择.png"},
      {"icon:icon_logo", "icon/ICON_LOGO.ico"},
  };
  const FolderResourceProvider provider(PackageFolder());
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    const auto bytes = provider.Load(rows[i].name);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes,
              uires_test::ReadFileBytes(PackagePath() / std::filesystem::u8path(rows[i].file)));
  }
}

TEST(FolderResourceProviderTest, FailsForWhatThePackageDoesNotHold) {
  const char* const rows[] = {
      "img:traymenu_icons",         // named by a skin, absent from the package
      "img:radio选泽",              // one character off
      "img:PROGRESS_BKG.png",       // the extension is not part of the name
      "img:progress",               // no prefix matching
      "sound:click",                // no such type
      "img:../layout/XML_MAINWND",  // names never leave their type's folder
      "..:uires/layout",
      ".:Update",
      "Update.rc:x",  // files beside the type folders are no types
      "img",
      "img:",
      ":img_1",
      "",
  };
  const FolderResourceProvider provider(PackageFolder());
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    EXPECT_FALSE(provider.Load(row).has_value());
  }
}

TEST(FolderResourceProviderTest, MissingFolderHoldsNothing) {
  const ScratchFolder scratch;
  const FolderResourceProvider provider((scratch.Path() / "absent").u8string());
  EXPECT_FALSE(provider.Load("layout:xml_mainwnd").has_value());
}

TEST(FolderResourceProviderTest, RefusesNamesThatMatchTwoFiles) {
  const ScratchFolder scratch;
  scratch.WriteFile("img/logo.png", "png");
  scratch.WriteFile("img/LOGO.bmp", "bmp");
  scratch.WriteFile("img/icon.png", "icon");
  const FolderResourceProvider provider(scratch.Utf8());
  EXPECT_FALSE(provider.Load("img:logo").has_value());
  EXPECT_EQ(provider.Load("img:ICON"), Bytes("icon"));
}

#ifndef _WIN32  // a Windows disk cannot hold two names that differ only in case
TEST(FolderResourceProviderTest, RefusesTypesThatMatchTwoFolders) {
  const ScratchFolder scratch;
  scratch.WriteFile("img/a.png", "lower");
  scratch.WriteFile("IMG/b.png", "upper");
  const FolderResourceProvider provider(scratch.Utf8());
  EXPECT_FALSE(provider.Load("img:a").has_value());
  EXPECT_FALSE(provider.Load("IMG:b").has_value());
}
#endif

TEST(FolderResourceProviderTest, ReadsFilesWholeAndByteForByte) {
  const ScratchFolder scratch;
  // Line ends, NUL and the old end-of-file byte must survive: no text-mode reading.
  const std::string binary("\x89PNG\r\n\x1a\n\0\0\r\r\n\n\x1a\xff", 16);
  std::string large(200000, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + i / 251);
  scratch.WriteFile("img/binary.png", binary);
  scratch.WriteFile("img/large.png", large);
  scratch.WriteFile("img/empty.png", "");
  scratch.WriteFile("values/名字.xml", "<a/>");
  const FolderResourceProvider provider(scratch.Utf8());
  EXPECT_EQ(provider.Load("img:binary"), Bytes(binary));
  EXPECT_EQ(provider.Load("img:large"), Bytes(large));
  EXPECT_EQ(provider.Load("img:empty"), ResourceBytes{});
  EXPECT_EQ(provider.Load("VALUES:名字"), Bytes("<a/>"));
}

TEST(FolderResourceProviderTest, IgnoresFoldersWhereAFileIsWanted) {
  const ScratchFolder scratch;
  scratch.WriteFile("img/frames.png/inner.png", "inner");
  scratch.WriteFile("layout/main/x.xml", "nested");
  scratch.WriteFile("layout/main.xml", "file");
  const FolderResourceProvider provider(scratch.Utf8());
  EXPECT_FALSE(provider.Load("img:frames").has_value());
  EXPECT_FALSE(provider.Load("img:inner").has_value());
  EXPECT_EQ(provider.Load("layout:main"), Bytes("file"));
}

}  // namespace
