#pragma once
// Clocks one instruction or data vector through the TAP controller, least
// significant bit first, TMS 1 on the last bit so the controller leaves the
// shift state with it.
#include <cstdint>
#include <string_view>

#include "link/bit_bang_shift.hpp"

namespace tapwright {

// `smask` is accepted and plays no part. TDI, TDO and MASK are read in place
// from their last character; a string too short for `bits` reads its missing
// high-order digits as 0, except an empty MASK, which compares every bit.
// A bit count of 0 or less clocks nothing.
int svf_shift_vector(ClockStream& stream, std::string_view smask, DeviceHandle device,
                     std::int32_t bits, std::string_view tdi, std::string_view tdo,
                     std::string_view mask, int compare);

}  // namespace tapwright
