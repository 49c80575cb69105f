#include "workflow/swap_journal.h"

#include <cwctype>

#include "common/text_convert.h"

namespace update {
namespace {

constexpr std::string_view kHeader = "update-swap-journal 2";
constexpr std::string_view kEarlierHeader = "update-swap-journal 1";
constexpr std::string_view kEnd = "end";

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> fields;
  for (;;) {
    const size_t at = line.find(separator);
    fields.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return fields;
    line.remove_prefix(at + 1);
  }
}

void AddLine(std::string& text, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) text += '\t';
    text += field;
    first = false;
  }
  text += '\n';
}

bool IsLevelInsideFolder(std::wstring_view level) {
  if (level.find_first_not_of(L". ") == std::wstring_view::npos) return false;  // empty too
  for (const wchar_t c : level) {
    if (c < 0x20 || std::wstring_view(L"<>:\"/|?*").find(c) != std::wstring_view::npos) {
      return false;
    }
  }
  return true;
}

JournalReading Refused(std::string why) {
  return {std::nullopt, std::move(why)};
}

// One record of either format, its names already read; false when it is no such record.
bool AddRecord(std::string_view kind, const std::vector<std::wstring>& names, SwapPlan& plan) {
  if (kind == "folder" && names.size() == 1) {
    plan.folders.push_back(names[0]);
  } else if (kind == "new" && names.size() == 2) {
    plan.entries.push_back({names[0], names[1], std::wstring()});
  } else if (kind == "replace" && names.size() == 3) {
    plan.entries.push_back({names[0], names[1], names[2]});
  } else if (kind == "committed" && names.empty()) {
    plan.committed = true;
  } else {
    return false;
  }
  return true;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

// A whole path of the earlier format as a name inside `installDir`; empty when it lies elsewhere.
std::wstring InsideName(std::wstring_view path, std::wstring_view installDir) {
  if (path.size() <= installDir.size() ||
      !SameName(path.substr(0, installDir.size()), installDir)) {
    return std::wstring();
  }
  const std::wstring name(path.substr(installDir.size()));
  return IsNameInsideFolder(name) ? name : std::wstring();
}

// The earlier format: the staging and backup folders on lines of their own, then the records
// of this one with whole paths.
JournalReading ParseEarlier(const std::vector<std::string_view>& lines,
                            std::wstring_view installDir) {
  SwapPlan plan;
  int ownFolders = 0;
  for (size_t index = 1; index + 1 < lines.size(); ++index) {
    const std::vector<std::string_view> fields = Split(lines[index], '\t');
    const std::string line_number = "line " + std::to_string(index + 1);
    std::vector<std::wstring> names;
    for (size_t field = 1; field < fields.size(); ++field) {
      names.push_back(InsideName(Utf8ToWide(fields[field]), installDir));
      if (names.back().empty()) {
        return Refused(line_number + " names \"" + std::string(fields[field]) +
                       "\", which is not a place inside the install folder");
      }
    }
    const std::string_view kind = fields[0];
    if (plan.committed) return Refused(line_number + " follows the commit");
    if (kind == "staging" && names.size() == 1 && SameName(names[0], kStagingFolderName)) {
      ++ownFolders;
    } else if (kind == "backup" && names.size() == 1 && SameName(names[0], kBackupFolderName)) {
      ++ownFolders;
    } else if (!AddRecord(kind, names, plan)) {
      return Refused(line_number + " is not a record of the earlier format");
    }
  }
  if (ownFolders != 2) return Refused("it does not name the swap's own folders");
  return {std::move(plan), std::string()};
}

}  // namespace

bool IsNameInsideFolder(std::wstring_view name) {
  for (;;) {
    const size_t at = name.find(L'\\');
    if (!IsLevelInsideFolder(name.substr(0, at))) return false;
    if (at == std::wstring_view::npos) return true;
    name.remove_prefix(at + 1);
  }
}

std::string FormatJournal(const SwapPlan& plan) {
  std::string text;
  AddLine(text, {kHeader});
  for (const std::wstring& folder : plan.folders) AddLine(text, {"folder", WideToUtf8(folder)});
  for (const SwapEntry& entry : plan.entries) {
    if (entry.backup.empty()) {
      AddLine(text, {"new", WideToUtf8(entry.target), WideToUtf8(entry.staged)});
    } else {
      AddLine(text, {"replace", WideToUtf8(entry.target), WideToUtf8(entry.staged),
                     WideToUtf8(entry.backup)});
    }
  }
  if (plan.committed) AddLine(text, {"committed"});
  // A journal is only valid whole: the last line says it is.
  AddLine(text, {kEnd});
  return text;
}

JournalReading ParseJournal(std::string_view text, std::wstring_view installDir) {
  if (text.empty() || text.back() != '\n') return Refused("it is not whole");
  text.remove_suffix(1);
  const std::vector<std::string_view> lines = Split(text, '\n');
  if (lines.front() != kHeader && lines.front() != kEarlierHeader) {
    return Refused("it is not of this program's format");
  }
  if (lines.size() < 2 || lines.back() != kEnd) return Refused("it is not whole");
  if (lines.front() == kEarlierHeader) return ParseEarlier(lines, installDir);
  SwapPlan plan;
  for (size_t index = 1; index + 1 < lines.size(); ++index) {
    const std::vector<std::string_view> fields = Split(lines[index], '\t');
    const std::string line_number = "line " + std::to_string(index + 1);
    std::vector<std::wstring> names;
    for (size_t field = 1; field < fields.size(); ++field) {
      names.push_back(Utf8ToWide(fields[field]));
      if (!IsNameInsideFolder(names.back())) {
        return Refused(line_number + " names \"" + std::string(fields[field]) +
                       "\", which is not a name inside the install folder");
      }
    }
    const std::string_view kind = fields[0];
    if (plan.committed) return Refused(line_number + " follows the commit");
    if (!AddRecord(kind, names, plan)) {
      return Refused(line_number + " is not a record of this format");
    }
  }
  return {std::move(plan), std::string()};
}

}  // namespace update
