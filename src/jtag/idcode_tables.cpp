// The makers and parts detection names, read from the tables built in from
// jep106_makers.tsv and known_parts.tsv: one row a line, fields between tabs,
// numbers in hexadecimal, lines starting with # left out.
#include <algorithm>
#include <array>
#include <charconv>

#include "jtag/idcode.hpp"
#include "jtag/idcode_tables.hpp"

namespace tapwright {
namespace {

using Fields = std::array<std::string_view, 4>;

// Calls `row` with the fields of each row of `table` until it returns true.
template <typename Row>
void find_row(std::string_view table, Row row) {
  while (!table.empty()) {
    const std::size_t end = std::min(table.find('\n'), table.size());
    std::string_view line = table.substr(0, end);
    table.remove_prefix(std::min(end + 1, table.size()));
    if (line.empty() || line[0] == '#') continue;
    Fields fields;
    for (std::string_view& field : fields) {
      const std::size_t tab = std::min(line.find('\t'), line.size());
      field = line.substr(0, tab);
      line.remove_prefix(std::min(tab + 1, line.size()));
    }
    if (row(fields)) return;
  }
}

std::uint32_t number(std::string_view field, int base = 16) {
  std::uint32_t value = 0;
  std::from_chars(field.data(), field.data() + field.size(), value, base);
  return value;
}

}  // namespace

std::string_view jep106_maker(int bank, int code) {
  std::string_view name;
  find_row(jep106_makers_table, [&](const Fields& f) {
    if (number(f[0], 10) != static_cast<std::uint32_t>(bank) ||
        number(f[1]) != static_cast<std::uint32_t>(code)) {
      return false;
    }
    name = f[2];
    return true;
  });
  return name;
}

std::optional<KnownPart> find_known_part(std::uint32_t idcode) {
  std::optional<KnownPart> part;
  find_row(known_parts_table, [&](const Fields& f) {
    if (((idcode ^ number(f[0])) & number(f[1])) != 0) return false;
    part = KnownPart{static_cast<int>(number(f[2], 10)), f[3]};
    return true;
  });
  return part;
}

}  // namespace tapwright
