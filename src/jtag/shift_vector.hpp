#pragma once
// Clocks one instruction or data vector through the TAP controller, least
// significant bit first, TMS 1 on the last bit so the controller leaves the
// shift state with it.
#include <cstdint>
#include <string_view>

#include "link/clock_stream.hpp"

namespace tapwright {

// Four bits of one value character: 0-9 their value, any other character the
// low four bits of its code minus 87, so a-f and A-F give the same bits.
constexpr unsigned hex_digit_value(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code >= '0' && code <= '9') return code - '0';
  return (code - 87u) & 0xFu;
}

// Shifts `bits` bits of the value strings, as svf_shift_vector does, with
// TMS 1 on the last bit only when `exit_on_last` is 1: a vector shifted in
// parts (a header, the scan, a trailer) stays in the shift state until its
// last part.
int tap_shift_digits(ClockStream& stream, DeviceHandle device, std::int64_t bits,
                     std::string_view tdi, std::string_view tdo, std::string_view mask, int compare,
                     int exit_on_last);

// `smask` is accepted and plays no part. TDI, TDO and MASK are read in place
// from their last character; a string too short for `bits` reads its missing
// high-order digits as 0, except an empty MASK, which compares every bit.
// A bit count of 0 or less clocks nothing.
int svf_shift_vector(ClockStream& stream, std::string_view smask, DeviceHandle device,
                     std::int32_t bits, std::string_view tdi, std::string_view tdo,
                     std::string_view mask, int compare);

}  // namespace tapwright
