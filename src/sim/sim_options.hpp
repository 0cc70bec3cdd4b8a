#pragma once
// What a simulated cable is to be: its chip and channel, its chain, the
// files it records to, the size limit of its waveform and the one fault it
// shows; and the options that say so on the command lines of tapwright-sim
// and tapwright-play.
#include <cstdint>
#include <span>
#include <string>

#include "cli/command_line.hpp"
#include "link/pin_map.hpp"

namespace tapwright::sim {

// The waveform grows by some 25 bytes per TCK clock; this is the size at
// which it stops unless told otherwise.
inline constexpr std::uint64_t default_vcd_limit = std::uint64_t{4} << 30;

struct SimOptions {
  std::string chip = "ft232r";         // a chip model's key (link/ftdi_chip.hpp)
  char channel = 'A';                  // 'A', 'B', ... as far as the chip has channels
  PinMap pins = {};                    // the bit-bang port's wiring
  std::string chain = "8:0x59604093";  // the default chain; "none" = no device
  std::string capture_out;             // file for every byte written (raw); empty = none
  std::string capture_in;              // file for every byte returned (raw); empty = none
  std::string capture_clocks;          // TMS and TDI at each rising TCK (text); empty = none
  std::string vcd;                     // VCD waveform file; empty = none
  std::uint64_t vcd_limit = default_vcd_limit;  // bytes; 0 = no limit
  std::string fault;  // empty, "open", "reopen", "bitmode", "write:N", "read:N", ...
};

// The ids of the rows below; a program's own options take other ids.
enum SimOptionId {
  chain_option = 1,
  capture_out_option,
  capture_in_option,
  capture_clocks_option,
  vcd_option,
  vcd_limit_option,
  fault_option,
  last_sim_option = fault_option
};

// --chain, --capture-out, --capture-in, --capture-clocks, --vcd, --vcd-limit
// and --fault.
std::span<const cli::Option> sim_option_rows();

// Stores the value of the row `id`; 0 with the reason when it is malformed
// (the chain and the fault are judged when the cable is configured).
int set_sim_option(int id, const std::string& value, SimOptions& options, std::string& problem);

}  // namespace tapwright::sim
