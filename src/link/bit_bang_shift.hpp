#pragma once
// A run of scan bits as bit-bang cycles: least significant bit first, four
// at a time where a whole hex digit goes into the block at once.
#include <cstdint>
#include <string_view>

#include "link/clock_stream.hpp"
#include "link/hex_digits.hpp"

namespace tapwright {

// Shifts `bits` bits of the value strings, TMS 1 on the last bit only when
// `exit_on_last` is 1. TDI, TDO and MASK are read in place from their last
// character; a string too short for `bits` reads its missing high-order
// digits as 0, except an empty MASK, which compares every bit. A bit count
// of 0 or less clocks nothing.
int tap_shift_digits(ClockStream& stream, DeviceHandle device, std::int64_t bits,
                     std::string_view tdi, std::string_view tdo, std::string_view mask, int compare,
                     int exit_on_last);

}  // namespace tapwright
