// The resource script compiles exactly the files of the package folder, and the named-ID table
// agrees with the layout.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "package_folder.h"
#include "toolkit/core/folder_resource_provider.h"
#include "toolkit/core/named_ids.h"
#include "uires/main_window_ids.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  const auto bytes = uires_test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Words of a script line: runs without white space, or quoted strings (quotes removed).
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (size_t i = 0; i < line.size();) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
    } else if (line[i] == '"') {
      const size_t end = line.find('"', i + 1);
      words.push_back(line.substr(i + 1, end - i - 1));
      i = end == std::string::npos ? line.size() : end + 1;
    } else {
      const size_t end = line.find_first_of(" \t\r", i);
      words.push_back(line.substr(i, end - i));
      i = end == std::string::npos ? line.size() : end;
    }
  }
  return words;
}

using Resource = std::tuple<std::string, std::string, std::string>;  // type, name, file

TEST(ResourceScriptTest, CompilesEveryPackageFileInChinese) {
  std::istringstream script(ReadText(uires_test::PackagePath() / "package.rc"));
  std::set<Resource> compiled;
  std::string language;
  std::string line;
  while (std::getline(script, line)) {
    line = line.substr(0, line.find("//"));
    const std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    if (words[0] == "LANGUAGE") {
      language.clear();
      for (const std::string& word : words) language += (language.empty() ? "" : " ") + word;
      continue;
    }
    SCOPED_TRACE(line);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(language, "LANGUAGE 4, 2") << "every resource is Simplified Chinese (2052)";
    EXPECT_TRUE(compiled.insert({Upper(words[1]), words[0], words[2]}).second) << "twice";
  }

  std::set<Resource> files;
  for (const char* folder : {"uidef", "layout", "values", "img", "icon"}) {
    for (const auto& entry : fs::directory_iterator(uires_test::PackagePath() / folder)) {
      files.insert({Upper(folder), entry.path().stem().u8string(),
                    std::string(folder) + "/" + entry.path().filename().u8string()});
    }
  }
  EXPECT_EQ(compiled, files);
  EXPECT_EQ(files.size(), 19u);  // UI definition, layout, 3 tables, 13 images, icon
}

TEST(ResourceScriptTest, ProgramScriptIncludesThePackage) {
  const std::string script = ReadText(uires_test::PackagePath() / "Update.rc");
  EXPECT_NE(script.find("\n#include \"package.rc\""), std::string::npos);
  EXPECT_NE(script.find("\n#include \"version.rc\""), std::string::npos);
}

TEST(MainWindowNamedIdsTest, FollowTheLayout) {
  const toolkit::FolderResourceProvider provider(uires_test::PackageFolder());
  const auto layout = provider.Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(layout.has_value());
  pugi::xml_document document;
  ASSERT_TRUE(document.load_buffer(layout->data(), layout->size()));

  // Numbering by first occurrence in document order; explicit ids are kept.
  std::map<std::string, int> expected = {{"_name_start", 65535}};
  int next = 65536;
  for (const pugi::xpath_node& found : document.select_nodes("/host/root//*[@name]")) {
    const pugi::xml_node widget = found.node();
    const std::string name = widget.attribute("name").value();
    if (widget.attribute("id")) {
      EXPECT_TRUE(expected.emplace(name, widget.attribute("id").as_int()).second) << name;
    } else if (expected.emplace(name, next).second) {
      ++next;
    }
  }

  std::map<std::string, int> table;
  for (const toolkit::NamedId& row : update::MainWindowNamedIds()) {
    EXPECT_TRUE(table.emplace(std::string(row.name), row.id).second) << row.name;
  }
  EXPECT_EQ(table, expected);
  EXPECT_EQ(next, 65555);
}

}  // namespace
