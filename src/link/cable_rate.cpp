#include "link/cable_rate.hpp"

#include "link/mpsse_setup.hpp"

namespace tapwright {

std::uint64_t cable_rate(const CableRow& cable, std::uint64_t hz) {
  if (cable.encoding == CableEncoding::bit_bang) return bit_bang_rate(bit_bang_divisor(hz));
  const bool h_chip = ftdi_chip_model(cable.chip).h_chip();
  return mpsse_rate(h_chip, mpsse_divisor(h_chip, hz));
}

std::uint64_t slowest_cable_rate(const CableRow& cable) {
  if (cable.encoding == CableEncoding::bit_bang) return bit_bang_rate(slowest_bit_bang_divisor);
  return mpsse_rate(ftdi_chip_model(cable.chip).h_chip(), 0xFFFF);
}

}  // namespace tapwright
