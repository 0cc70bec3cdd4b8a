#include "fullsvf/hex_value.hpp"

#include <array>

namespace tapwright::fullsvf {
namespace {

unsigned nibble(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

// The value of the top digit when only its low `length` mod 4 bits count.
constexpr unsigned top_digit_limit(std::int64_t length) {
  return length % 4 == 0 ? 16u : 1u << (length % 4);
}

}  // namespace

int hex_fits(std::string_view digits, std::int64_t length) {
  const auto need = static_cast<std::size_t>(hex_digits_for(length));
  if (digits.size() < need) return 1;
  const std::size_t extra = digits.size() - need;
  for (std::size_t i = 0; i < extra; ++i) {
    if (digits[i] != '0') return 0;
  }
  return need == 0 || nibble(digits[extra]) < top_digit_limit(length) ? 1 : 0;
}

std::string_view hex_trim(std::string_view digits, std::int64_t length) {
  const auto need = static_cast<std::size_t>(hex_digits_for(length));
  return digits.size() <= need ? digits : digits.substr(digits.size() - need);
}

void hex_ones(std::int64_t length, std::string& out) {
  static const char digit[] = "0123456789ABCDEF";
  out.assign(static_cast<std::size_t>(hex_digits_for(length)), 'F');
  if (!out.empty()) out[0] = digit[top_digit_limit(length) - 1];
}

bool hex_any(std::string_view digits) {
  for (char c : digits) {
    if (c != '0') return true;
  }
  return false;
}

void hex_append_upper(std::string& out, std::string_view digits, std::int64_t length) {
  const auto need = static_cast<std::size_t>(hex_digits_for(length));
  if (digits.size() < need) out.append(need - digits.size(), '0');
  const std::size_t at = out.size();
  out.resize(at + digits.size());
  char* to = out.data() + at;
  // Digits only: bit 6 marks a letter, whose bit 5 marks lower case.
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const auto c = static_cast<unsigned char>(digits[i]);
    to[i] = static_cast<char>(c & ~((c & 0x40u) >> 1));
  }
}

}  // namespace tapwright::fullsvf
