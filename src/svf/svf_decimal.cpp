#include "svf/svf_decimal.hpp"

#include <limits>

namespace tapwright {

int svf_decimal(std::string_view word, std::int32_t& value) {
  constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
  if (word.empty()) return 0;
  std::int64_t number = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
    if (number > high) return 0;  // leading zeros never get here
  }
  value = static_cast<std::int32_t>(number);
  return 1;
}

}  // namespace tapwright
