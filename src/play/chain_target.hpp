#pragma once
// Playing a file to one device of a chain: the chain, given as a list (the
// form --sim= takes) or detected on the cable; the device, by its position
// or its IDCODE; and the padding that puts every other device in BYPASS.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fullsvf/svf_front_end.hpp"
#include "jtag/chain_detect.hpp"

namespace tapwright::play {

// A list as --sim= takes it, IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE] from
// TDI: its devices, or 0 with the reason.
int chain_from_list(std::string_view list, std::vector<ChainDevice>& chain, std::string& error);

// The chain on the cable (a TAP object after its reset, in compare mode),
// every IR length settled; or 0 with the reason.
int detect_for_target(Tap& tap, std::vector<ChainDevice>& chain, std::string& error);

// The IDCODEs the cable reads must be `chain`'s, device by device: 1, or 0
// with the first difference. Nothing may be played to a chain that is not
// the one described.
int check_chain(Tap& tap, const std::vector<ChainDevice>& chain, std::string& error);

// `device` is a position from 1 at the TDI end, or an IDCODE 0x... that one
// device of `chain` has: its index, or 0 with the reason.
int find_target(std::string_view device, const std::vector<ChainDevice>& chain, std::size_t& index,
                std::string& error);

// What wraps every scan for the device at `index` of `chain`.
fullsvf::ChainPadding chain_padding(const std::vector<ChainDevice>& chain, std::size_t index);

// The one device of a chain a file is played to, and the padding of its
// scans.
struct ChainTarget {
  std::vector<ChainDevice> chain;
  std::size_t index = 0;
  fullsvf::ChainPadding padding;
};

// --device `device` of `chain`: 1, or 0 with the reason.
int settle_target(std::vector<ChainDevice> chain, std::string_view device, ChainTarget& target,
                  std::string& error);

// What -v says of the target: the device and the padding around it.
std::string target_text(const ChainTarget& target);

}  // namespace tapwright::play
