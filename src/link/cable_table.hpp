#pragma once
// The cables tapwright-play knows by name, as data: one row each.
#include <cstdint>
#include <span>
#include <string_view>

#include "link/ftdi_chip.hpp"
#include "link/pin_map.hpp"

namespace tapwright {

enum class CableEncoding : std::uint8_t { bit_bang, mpsse };

struct CableRow {
  std::string_view name;     // as users type it
  std::string_view summary;  // what it is, for the listing
  FtdiChip chip;
  CableEncoding encoding;
  std::uint16_t vid, pid;  // its USB identity
  char channel;            // the channel it uses of a multi-channel chip
  // MPSSE: the pins' levels and directions at bring-up, low and high byte.
  std::uint8_t low_value, low_dir, high_value, high_dir;
  std::uint64_t max_hz;  // the fastest TCK the cable is made for
  // Bit-bang: the JTAG pins' bits. Both encodings: the reset lines (MPSSE
  // pins 0-7 low byte, 8-15 high byte), which bring-up leaves released.
  PinMap pins{};
  std::string_view extra;  // other pins the bring-up sets, for the listing
};

std::span<const CableRow> cable_rows();
// The row named `name`, or null.
const CableRow* find_cable(std::string_view name);
// The names, comma-separated, for a message.
std::string_view cable_names();

// The cable when none is named: tapwright's own bit-bang wiring.
inline constexpr std::string_view default_cable = "tapwright";

}  // namespace tapwright
