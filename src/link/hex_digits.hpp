#pragma once
// Scan values as SVF writes them: hex digits, most significant first, so
// that the last character holds the first four bits shifted.
#include <array>
#include <cstdint>

namespace tapwright {

// Four bits of one value character: 0-9 their value, any other character the
// low four bits of its code minus 87, so a-f and A-F give the same bits.
constexpr unsigned hex_digit_value(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code >= '0' && code <= '9') return code - '0';
  return (code - 87u) & 0xFu;
}

// hex_digit_value for every byte, for the loops that read long values.
inline constexpr std::array<std::uint8_t, 256> hex_digit_values = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned code = 0; code < 256; ++code) {
    table[code] = static_cast<std::uint8_t>(hex_digit_value(static_cast<char>(code)));
  }
  return table;
}();

}  // namespace tapwright
