#include "svf/svf_decimal.hpp"

#include <limits>

namespace tapwright {

std::int32_t svf_decimal(std::string_view word) {
  constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
  std::size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  std::int64_t magnitude = 0;
  for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (word[i] - '0');
    if (magnitude > high + 1) magnitude = high + 1;  // saturate; the clamp below decides
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > high) return static_cast<std::int32_t>(high);
  if (value < low) return static_cast<std::int32_t>(low);
  return static_cast<std::int32_t>(value);
}

}  // namespace tapwright
