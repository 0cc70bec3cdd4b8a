#pragma once
// The bytes a bit-bang cable's wiring makes of a cycle, as tables built
// once when the cable is opened: the byte pair of each (TMS, TDI), the
// pairs of the four cycles of each hex digit shifted with TMS 0, and where
// TDO comes back. Pins that are no JTAG signal keep the levels `rest` gives
// them (a reset line's), so a cycle costs a table lookup whatever the
// wiring.
#include <array>
#include <bit>
#include <cstdint>

#include "link/pin_map.hpp"

namespace tapwright {

struct BitBangWiring {
  std::array<std::uint16_t, 4> pairs{};  // [tms << 1 | tdi], first byte at the lower address
  std::array<std::uint64_t, 16> digit_pairs{};
  std::uint8_t tdo_shift = 3;
  std::uint8_t outputs = 0x07;  // the direction mask
  std::uint8_t first_byte(int tms, int tdi) const {
    const std::uint16_t pair = pairs[static_cast<unsigned>((tms & 1) << 1 | (tdi & 1))];
    return static_cast<std::uint8_t>(std::endian::native == std::endian::little ? pair : pair >> 8);
  }
};

constexpr BitBangWiring make_wiring(const PinMap& map, std::uint8_t rest) {
  BitBangWiring wiring;
  const auto byte_of = [&](unsigned tms, unsigned tdi, unsigned tck) {
    return static_cast<std::uint16_t>(rest | tms << map.tms | tdi << map.tdi | tck << map.tck);
  };
  const auto pair_of = [&](unsigned tms, unsigned tdi) {
    const std::uint16_t first = byte_of(tms, tdi, 0), second = byte_of(tms, tdi, 1);
    return static_cast<std::uint16_t>(
        std::endian::native == std::endian::little ? first | second << 8 : second | first << 8);
  };
  for (unsigned tms = 0; tms < 2; ++tms) {
    for (unsigned tdi = 0; tdi < 2; ++tdi) wiring.pairs[tms << 1 | tdi] = pair_of(tms, tdi);
  }
  for (unsigned digit = 0; digit < 16; ++digit) {
    std::uint64_t pairs = 0;
    for (unsigned b = 0; b < 4; ++b) {
      const unsigned at = std::endian::native == std::endian::little ? b : 3 - b;
      pairs |= std::uint64_t{pair_of(0, (digit >> b) & 1u)} << (16 * at);
    }
    wiring.digit_pairs[digit] = pairs;
  }
  wiring.tdo_shift = static_cast<std::uint8_t>(map.tdo);
  wiring.outputs = map.outputs();
  return wiring;
}

// tapwright's own wiring, whose byte stream is specified byte for byte.
inline constexpr BitBangWiring specified_wiring = make_wiring(PinMap{}, 0);

}  // namespace tapwright
