#pragma once
// Decimal numbers of SVF statements (a scan length, a clock count, the
// length of a header or trailer). A number is a whole word of the digits 0-9
// and at most 2147483647: a sign, an exponent, a hex prefix or a trailing
// letter would otherwise play a wait or a scan other than the file says.
#include <cstdint>
#include <string_view>

namespace tapwright {

// 1 with the number in `value`; 0, `value` untouched, for any other word.
int svf_decimal(std::string_view word, std::int32_t& value);

}  // namespace tapwright
