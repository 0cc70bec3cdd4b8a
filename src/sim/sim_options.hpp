#pragma once
// What a simulated cable is to be: its chip and channel, its chain, the
// files it records to, the size limit of its waveform and the one fault it
// shows.
#include <cstdint>
#include <string>

namespace tapwright::sim {

// The waveform grows by some 25 bytes per TCK clock; this is the size at
// which it stops unless told otherwise.
inline constexpr std::uint64_t default_vcd_limit = std::uint64_t{4} << 30;

struct SimOptions {
  std::string chip = "ft232r";         // a chip model's name (sim/chip_model.hpp)
  char channel = 'A';                  // 'A', 'B', ... as far as the chip has channels
  std::string chain = "8:0x59604093";  // the default chain; "none" = no device
  std::string capture_out;             // file for every byte written (raw); empty = none
  std::string capture_in;              // file for every byte returned in mode 4 (raw); empty = none
  std::string vcd;                     // VCD waveform file; empty = none
  std::string capture_clocks;          // TMS and TDI at each rising TCK (text); empty = none
  std::uint64_t vcd_limit = default_vcd_limit;  // bytes; 0 = no limit
  std::string fault;  // empty, "open", "reopen", "bitmode", "write:N", "read:N"
};

}  // namespace tapwright::sim
