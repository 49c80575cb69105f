// Numeric ids for widget names. The program registers one table (its own data) at start; a widget
// whose layout element has a name from the table and no explicit id gets the table's id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

struct NamedId {
  std::string_view name;  // UTF-8
  std::int32_t id;
};

// Longest name a table may hold, in UTF-16 code units (the table's names are fixed buffers of
// 52 wide characters on Windows).
inline constexpr std::size_t kMaxNamedIdLength = 51;

class NamedIdTable {
 public:
  // Replaces the table with a copy of `rows`. `sorted` promises that the rows are in ascending
  // byte order of their names; unsorted rows are sorted here. Fails, keeping the previous table,
  // when a name is empty or longer than kMaxNamedIdLength, when a name occurs twice, or when
  // `sorted` is given for rows that are not in order (the caller's table is then wrong).
  bool Register(const NamedId* rows, std::size_t count, bool sorted);

  // The id registered for `name` (exact, case-sensitive match).
  std::optional<std::int32_t> Find(std::string_view name) const;

  std::size_t Size() const { return m_rows.size(); }

 private:
  struct Row {
    std::string name;
    std::int32_t id;
  };
  std::vector<Row> m_rows;  // ascending by name
};

}  // namespace toolkit
