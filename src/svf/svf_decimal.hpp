#pragma once
// Decimal numbers of SVF statements (a scan length, a clock count), read from
// the start of their word: an optional sign and the digits after it, up to
// the first other character. A word without leading digits reads as 0, and a
// number beyond a signed 32-bit integer is clamped to the nearer end.
#include <cstdint>
#include <string_view>

namespace tapwright {

std::int32_t svf_decimal(std::string_view word);

}  // namespace tapwright
