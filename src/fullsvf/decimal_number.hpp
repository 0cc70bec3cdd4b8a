#pragma once
// Numbers as SVF writes them ("100", "1E6", "1.00e+006", "50021E-6"), held
// exactly as a decimal mantissa and a power of ten so that a time in seconds
// times a clock rate rounds up to the right clock count.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tapwright::fullsvf {

struct DecimalNumber {
  std::uint64_t mantissa = 0;
  int exponent = 0;  // value = mantissa * 10^exponent
  // Significant digits beyond what the mantissa holds were dropped; the
  // mantissa was rounded up so that a wait computed from it is never short.
  bool rounded_up = false;

  bool is_zero() const { return mantissa == 0; }
  // The value when it is a whole number that fits in 64 bits.
  std::optional<std::uint64_t> whole() const;
  // The value when it is a whole number, else the next whole number above it
  // (0.5 gives 1); empty beyond 64 bits.
  std::optional<std::uint64_t> ceil() const;
  // Plain decimal notation: "1000000", "2.5", "0.001".
  std::string to_string() const;
};

// Parses a whole word as a non-negative decimal number with optional
// fraction and exponent. Empty on anything else ("", "1E", "0x10", "-1").
std::optional<DecimalNumber> parse_decimal(std::string_view word);

// A clock rate with an optional unit, any case: "12000000", "12MHz",
// "1.5E6", "500kHz".
std::optional<DecimalNumber> parse_rate(std::string text);

// ceil(a * b), empty when the result exceeds `limit`.
std::optional<std::uint64_t> ceil_product(const DecimalNumber& a, const DecimalNumber& b,
                                          std::uint64_t limit);

}  // namespace tapwright::fullsvf
