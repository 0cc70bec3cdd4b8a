#pragma once
// Which cable tapwright-play drives and how: the named cable, its channel
// and the TCK rates a run may use.
#include <cstdint>
#include <string>

#include "driver/cable_session.hpp"
#include "play/play_options.hpp"

namespace tapwright::play {

struct CableChoice {
  CableSetup setup;
  // MPSSE: the rate a run starts at (and a FREQUENCY without a rate goes
  // back to), the fastest any FREQUENCY may ask, and the slowest the chip
  // makes. All 0 for a cable that keeps its own rate.
  std::uint64_t start_hz = 0, max_hz = 0, min_hz = 0;
};

// 1 with `choice` filled, or 0 with the reason in `problem`.
int choose_cable(const PlayOptions& options, CableChoice& choice, std::string& problem);

// "6 MHz", "457.77 Hz": a rate as messages show it.
std::string rate_text(double hz);

}  // namespace tapwright::play
