#pragma once
// Starting a chip's MPSSE engine for a run: the mode, a sync that finds
// where this session's answers begin, the clocking and the pins.
#include <cstdint>

#include "link/device.hpp"

namespace tapwright {

struct MpsseSetup {
  // The H chips (FT2232H, FT4232H, FT232H) clock from 60 MHz once
  // divide-by-5 is off, and have three-phase and adaptive clocking to turn
  // off; the FT2232D clocks from 12 MHz and knows none of these commands.
  bool h_chip = true;
  std::uint64_t tck_hz = 6'000'000;
  // The pins' levels and directions (1 = output), low and high byte, as
  // the cable's row gives them: nothing is driven that the cable does not
  // name.
  std::uint8_t low_value = 0, low_dir = 0;
  std::uint8_t high_value = 0, high_dir = 0;
};

// The clock the divisor divides: base / (2 · (1 + divisor)).
constexpr std::uint64_t mpsse_base_hz(bool h_chip) {
  return h_chip ? 60'000'000 : 12'000'000;
}
// The rate of a divisor, and the divisor of the fastest rate that is not
// above `hz` (the largest divisor when even that is faster).
std::uint64_t mpsse_rate(bool h_chip, std::uint16_t divisor);
std::uint16_t mpsse_divisor(bool h_chip, std::uint64_t hz);

// The phases of the bring-up, for the message of the one that failed.
enum class MpsseBringUp { ok, mode, sync, configure };

// Resets the port and starts the engine; sends a command no chip knows
// and reads until its answer (0xFA and the command), so that bytes a chip
// still held from before are never taken for TDO, then a second one whose
// answer must follow at once; then clocking and pins.
MpsseBringUp mpsse_bring_up(Device& device, DeviceHandle handle, const MpsseSetup& setup);

}  // namespace tapwright
