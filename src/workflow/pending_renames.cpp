#include "workflow/pending_renames.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace update {
namespace {

constexpr std::wstring_view kNtPrefix = L"\\??\\";

struct Rename {
  std::wstring_view source;
  std::wstring_view target;  // empty: the source is deleted
};

// The next string of `value`, taken off it; null when the value ends before its NUL.
std::optional<std::wstring_view> TakeString(std::wstring_view& value) {
  const size_t end = value.find(L'\0');
  if (end == std::wstring_view::npos) return std::nullopt;
  const std::wstring_view text = value.substr(0, end);
  value.remove_prefix(end + 1);
  return text;
}

// The list's pairs up to its end: an empty source ends it, and so does a pair the value cuts off.
std::vector<Rename> Renames(std::wstring_view value) {
  std::vector<Rename> renames;
  for (;;) {
    const std::optional<std::wstring_view> source = TakeString(value);
    if (!source || source->empty()) break;
    const std::optional<std::wstring_view> target = TakeString(value);
    if (!target) break;
    renames.push_back({*source, *target});
  }
  return renames;
}

std::wstring Joined(const std::vector<Rename>& renames) {
  std::wstring value;
  for (const Rename& rename : renames) {
    for (std::wstring_view text : {rename.source, rename.target}) {
      value.append(text);
      value.push_back(L'\0');
    }
  }
  if (!value.empty()) value.push_back(L'\0');
  return value;
}

wchar_t AsciiLower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring NtPath(std::wstring_view path) {
  return std::wstring(kNtPrefix) + std::wstring(path);
}

}  // namespace

std::wstring WithPendingRename(std::wstring_view value, std::wstring_view from,
                               std::wstring_view to) {
  std::vector<Rename> renames = Renames(value);
  const std::wstring source = NtPath(from);
  const std::wstring target = NtPath(to);
  renames.push_back({source, target});
  return Joined(renames);
}

std::wstring WithoutPendingRenamesInside(std::wstring_view value, std::wstring_view folder) {
  std::vector<Rename> renames = Renames(value);
  const std::wstring prefix = NtPath(folder);
  const auto inside = [&prefix](std::wstring_view path) {
    return path.size() > prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), path.begin(),
                      [](wchar_t a, wchar_t b) { return AsciiLower(a) == AsciiLower(b); });
  };
  const auto ours = [&inside](const Rename& rename) {
    std::wstring_view target = rename.target;
    if (!target.empty() && target.front() == L'!') target.remove_prefix(1);
    return inside(rename.source) && inside(target);
  };
  const auto kept = std::remove_if(renames.begin(), renames.end(), ours);
  if (kept == renames.end()) return std::wstring(value);
  renames.erase(kept, renames.end());
  return Joined(renames);
}

}  // namespace update
