#include "workflow/swap_journal.h"

#include "common/text_convert.h"

namespace update {
namespace {

constexpr std::string_view kHeader = "update-swap-journal 1";
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

}  // namespace

std::string FormatJournal(const SwapPlan& plan) {
  std::string text;
  AddLine(text, {kHeader});
  AddLine(text, {"staging", WideToUtf8(plan.staging)});
  AddLine(text, {"backup", WideToUtf8(plan.backup)});
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

std::optional<SwapPlan> ParseJournal(std::string_view text) {
  if (text.empty() || text.back() != '\n') return std::nullopt;
  text.remove_suffix(1);
  const std::vector<std::string_view> lines = Split(text, '\n');
  if (lines.size() < 4 || lines.front() != kHeader || lines.back() != kEnd) return std::nullopt;
  SwapPlan plan;
  bool has_staging = false;
  bool has_backup = false;
  for (size_t index = 1; index + 1 < lines.size(); ++index) {
    const std::vector<std::string_view> fields = Split(lines[index], '\t');
    const std::string_view kind = fields[0];
    for (size_t field = 1; field < fields.size(); ++field) {
      if (fields[field].empty()) return std::nullopt;
    }
    if (plan.committed) return std::nullopt;  // nothing follows the commit but the end
    if (kind == "staging" && fields.size() == 2 && !has_staging) {
      plan.staging = Utf8ToWide(fields[1]);
      has_staging = true;
    } else if (kind == "backup" && fields.size() == 2 && !has_backup) {
      plan.backup = Utf8ToWide(fields[1]);
      has_backup = true;
    } else if (kind == "folder" && fields.size() == 2) {
      plan.folders.push_back(Utf8ToWide(fields[1]));
    } else if (kind == "new" && fields.size() == 3) {
      plan.entries.push_back({Utf8ToWide(fields[1]), Utf8ToWide(fields[2]), std::wstring()});
    } else if (kind == "replace" && fields.size() == 4) {
      plan.entries.push_back({Utf8ToWide(fields[1]), Utf8ToWide(fields[2]), Utf8ToWide(fields[3])});
    } else if (kind == "committed" && fields.size() == 1) {
      plan.committed = true;
    } else {
      return std::nullopt;
    }
  }
  if (!has_staging || !has_backup) return std::nullopt;
  return plan;
}

}  // namespace update
