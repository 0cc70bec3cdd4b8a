#pragma once
// Playing the checked file into a cable, after its reset and, for one
// device of a chain, the check that the cable reads that chain; what the
// run ended with.
#include <cstdint>
#include <cstdio>

#include "driver/cable_session.hpp"
#include "fullsvf/svf_input.hpp"
#include "link/device.hpp"
#include "play/chain_target.hpp"
#include "play/host_clock.hpp"
#include "play/progress_line.hpp"
#include "play/svf_player.hpp"

namespace tapwright::play {

// The run on the cable and what it ended with; `compared`: the scans that
// compared TDO bits. With a target, nothing is played unless the cable reads its chain.
int play_on_cable(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                  Device& device, const CableSetup& setup, const ChainTarget* target,
                  ProgressLine& progress, std::FILE* err, std::uint64_t& compared);

}  // namespace tapwright::play
