#include "jtag/shift_vector.hpp"

namespace tapwright {

int svf_shift_vector(ClockStream& stream, std::string_view /*smask*/, DeviceHandle device,
                     std::int32_t bits, std::string_view tdi, std::string_view tdo,
                     std::string_view mask, int compare) {
  return tap_shift_digits(stream, device, bits, tdi, tdo, mask, compare, 1);
}

}  // namespace tapwright
