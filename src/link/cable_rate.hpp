#pragma once
// The TCK rates a cable can make. Bit-bang: the chip puts one byte on the
// pins per period of its baud-rate generator, which the vendor library's
// divisor sets from 3 MHz (1 is 2 MHz, n from 2 up 3 MHz / n, 14 bits),
// and a TCK cycle is two bytes. MPSSE: the engine's own divisor.
#include <cstdint>

#include "link/cable_table.hpp"

namespace tapwright {

inline constexpr std::uint16_t fastest_bit_bang_divisor = 1;
inline constexpr std::uint16_t slowest_bit_bang_divisor = 0x3FFF;

constexpr std::uint64_t bit_bang_rate(std::uint16_t divisor) {
  return divisor <= 1 ? 1'000'000 : 1'500'000 / divisor;
}
// The divisor of the fastest rate not above `hz` (the slowest rate when
// even that is faster).
constexpr std::uint16_t bit_bang_divisor(std::uint64_t hz) {
  if (hz >= bit_bang_rate(fastest_bit_bang_divisor)) return fastest_bit_bang_divisor;
  if (hz == 0) return slowest_bit_bang_divisor;
  const std::uint64_t d = (1'500'000 + hz - 1) / hz;
  return static_cast<std::uint16_t>(d < 2                          ? 2
                                    : d > slowest_bit_bang_divisor ? slowest_bit_bang_divisor
                                                                   : d);
}

// The rate `cable` makes when asked for `hz`.
std::uint64_t cable_rate(const CableRow& cable, std::uint64_t hz);
// The slowest rate it makes.
std::uint64_t slowest_cable_rate(const CableRow& cable);

}  // namespace tapwright
