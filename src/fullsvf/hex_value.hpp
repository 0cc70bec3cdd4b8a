#pragma once
// Scan values as SVF writes them: hex digits, most significant first, so
// that the last digit holds bits 0 to 3. A value may have fewer digits than
// its scan needs (the missing high bits are 0) or more, as long as every
// bit at or above the scan's length is 0.
#include <cstdint>
#include <string>
#include <string_view>

namespace tapwright::fullsvf {

// Digits a value of `length` bits is written with.
constexpr std::int64_t hex_digits_for(std::int64_t length) {
  return (length + 3) / 4;
}

// 1 when no bit at or above `length` is set in `digits` (hex digits only).
int hex_fits(std::string_view digits, std::int64_t length);

// `digits`, which fit `length`, without the leading zeros beyond
// hex_digits_for(length) digits.
std::string_view hex_trim(std::string_view digits, std::int64_t length);

// `length` bits of ones as hex_digits_for(length) digits.
void hex_ones(std::int64_t length, std::string& out);

// True when some digit is not 0.
bool hex_any(std::string_view digits);

// Appends `digits` to `out` in upper case, as exactly hex_digits_for(length)
// digits: zeros first where `digits` has fewer.
void hex_append_upper(std::string& out, std::string_view digits, std::int64_t length);

}  // namespace tapwright::fullsvf
