#pragma once
// The FTDI chips as the USB bus sees them: the link's chip table, with the
// bus's time of each speed.
#include <cstdint>
#include <limits>

#include "link/ftdi_chip.hpp"

namespace tapwright::usb {

// Picoseconds, so that bus slots and port clock periods need no rounding
// worth speaking of.
using Picoseconds = std::int64_t;
inline constexpr Picoseconds ps_per_ms = 1'000'000'000;
inline constexpr Picoseconds never = std::numeric_limits<Picoseconds>::max();

using ChipModel = FtdiChipModel;
inline constexpr const auto& chip_models = ftdi_chip_models;

// A full-speed bus carries at most 19 bulk packets of 64 bytes in a 1 ms
// frame, a high-speed one 13 of 512 bytes in a 125 us microframe.
constexpr Picoseconds frame_of(const ChipModel& model) {
  return model.high_speed() ? ps_per_ms / 8 : ps_per_ms;
}
constexpr int packets_per_frame(const ChipModel& model) {
  return model.high_speed() ? 13 : 19;
}

}  // namespace tapwright::usb
