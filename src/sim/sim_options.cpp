#include "sim/sim_options.hpp"

#include <string_view>

namespace tapwright::sim {
namespace {

using cli::Takes;

constexpr cli::Option rows[] = {
    {chain_option, "--chain", 0, Takes::value, "LIST",
     "devices from TDI to TDO, separated by commas, each\n"
     "IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE], or none\n"
     "(default 8:0x59604093); IRCAPTURE is what the IR\n"
     "captures (binary ...01, default 1); IDCODE bypass is\n"
     "a device without IDCODE (BYPASS after reset)"},
    {capture_out_option, "--capture-out", 0, Takes::value, "FILE",
     "write every byte sent to the cable to FILE"},
    {capture_in_option, "--capture-in", 0, Takes::value, "FILE",
     "write every byte the cable returned (with -c) to FILE"},
    {capture_clocks_option, "--capture-clocks", 0, Takes::value, "FILE",
     "write TMS and TDI at each rising TCK to FILE, a line\n"
     "per run of equal clocks (\"TMS TDI COUNT\"): two runs\n"
     "compare by it whatever the cable, encoding or wiring"},
    {vcd_option, "--vcd", 0, Takes::value, "FILE",
     "write a waveform (TCK, TMS, TDI, TDO, TAP state) to\n"
     "FILE: about 25 bytes per TCK clock, some 100 MB per\n"
     "MB of scan data in the SVF file, far more for long\nRUNTESTs"},
    {vcd_limit_option, "--vcd-limit", 0, Takes::value, "SIZE",
     "end the waveform, still a valid VCD file, before it\n"
     "passes SIZE bytes, and fail the run; K, M, G multiply\n"
     "by 1024, 1024^2, 1024^3; 0 for no limit (default 4G)"},
    {fault_option, "--fault", 0, Takes::value, "WHAT",
     "make the cable fail: open, reopen, bitmode, write:N,\n"
     "read:N, or TDO stuck at 0 or 1: tdo-low, tdo-high"},
};

// A byte count, optionally times 1024 (K), 1024^2 (M) or 1024^3 (G).
int parse_size(std::string_view text, std::uint64_t& bytes) {
  int shift = 0;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K':
      case 'k':
        shift = 10;
        break;
      case 'M':
      case 'm':
        shift = 20;
        break;
      case 'G':
      case 'g':
        shift = 30;
        break;
    }
    if (shift != 0) text.remove_suffix(1);
  }
  if (text.empty()) return 0;
  const std::uint64_t most = UINT64_MAX >> shift;  // the largest value the suffix allows
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (most - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  bytes = value << shift;
  return 1;
}

}  // namespace

std::span<const cli::Option> sim_option_rows() {
  return rows;
}

int set_sim_option(int id, const std::string& value, SimOptions& options, std::string& problem) {
  switch (id) {
    case chain_option:
      options.chain = value;
      return 1;
    case capture_out_option:
      options.capture_out = value;
      return 1;
    case capture_in_option:
      options.capture_in = value;
      return 1;
    case capture_clocks_option:
      options.capture_clocks = value;
      return 1;
    case vcd_option:
      options.vcd = value;
      return 1;
    case fault_option:
      options.fault = value;
      return 1;
    case vcd_limit_option:
      if (parse_size(value, options.vcd_limit)) return 1;
      problem = "--vcd-limit needs a size in bytes, with K, M or G or without, not '" + value + "'";
      return 0;
  }
  return 0;
}

}  // namespace tapwright::sim
