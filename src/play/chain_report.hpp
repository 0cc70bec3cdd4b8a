#pragma once
// What tapwright-play --detect tells of a chain: each device from the one
// nearest TDI, the options that target each, and, last, the chain as --sim=
// takes it.
#include <ostream>
#include <string>

#include "driver/cable_session.hpp"
#include "jtag/chain_detect.hpp"
#include "link/device.hpp"
#include "play/play_command.hpp"

namespace tapwright::play {

// The chain as --sim= and --chain take it.
std::string chain_list(const DetectedChain& chain);

void print_chain(const DetectedChain& chain, std::ostream& out);

// Detects the chain behind `device` (the cable or the simulated one, set up
// as `setup` says, but always reading TDO back) and reports it on
// `streams.out`; problems go to `streams.err`. The exit status.
int detect_main(Device& device, CableSetup setup, const PlayStreams& streams);

}  // namespace tapwright::play
