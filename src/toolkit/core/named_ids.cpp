#include "toolkit/core/named_ids.h"

#include <algorithm>

namespace toolkit {
namespace {

// Length in UTF-16 code units: a four-byte UTF-8 sequence needs a surrogate pair, continuation
// bytes add nothing.
std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

}  // namespace

bool NamedIdTable::Register(const NamedId* rows, std::size_t count, bool sorted) {
  std::vector<Row> table;
  table.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view name = rows[i].name;
    if (name.empty() || Utf16Length(name) > kMaxNamedIdLength) return false;
    table.push_back(Row{std::string(name), rows[i].id});
  }
  const auto byName = [](const Row& a, const Row& b) { return a.name < b.name; };
  if (!sorted) {
    std::sort(table.begin(), table.end(), byName);
  } else if (!std::is_sorted(table.begin(), table.end(), byName)) {
    return false;
  }
  const auto sameName = [](const Row& a, const Row& b) { return a.name == b.name; };
  if (std::adjacent_find(table.begin(), table.end(), sameName) != table.end()) return false;
  m_rows = std::move(table);
  return true;
}

std::optional<std::int32_t> NamedIdTable::Find(std::string_view name) const {
  const auto it =
      std::lower_bound(m_rows.begin(), m_rows.end(), name,
                       [](const Row& row, std::string_view key) { return row.name < key; });
  if (it == m_rows.end() || it->name != name) return std::nullopt;
  return it->id;
}

}  // namespace toolkit
