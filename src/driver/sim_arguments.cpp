#include "driver/sim_arguments.hpp"

#include <cstdint>
#include <string_view>

namespace tapwright {

const char* const sim_usage_line = "tapwright-sim [simulator options] svf_file [options]\n";

const char* const sim_usage_tail =
    " simulator options (the file plays over a simulated cable and JTAG chain),\n"
    " anywhere on the line, each with its value after a blank or an \"=\":\n"
    "   --chain LIST        devices from TDI to TDO, separated by commas, each\n"
    "                       IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE], or none\n"
    "                       (default 8:0x59604093); IRCAPTURE is what the IR\n"
    "                       captures (binary ...01, default 1); IDCODE bypass is\n"
    "                       a device without IDCODE (BYPASS after reset)\n"
    "   --capture-out FILE  write every byte sent to the cable to FILE\n"
    "   --capture-in FILE   write every byte the cable returned (with -c) to FILE\n"
    "   --capture-clocks FILE  write TMS and TDI at each rising TCK to FILE, a line\n"
    "                       per run of equal clocks (\"TMS TDI COUNT\"): two runs\n"
    "                       compare by it whatever the cable, encoding or wiring\n"
    "   --vcd FILE          write a waveform (TCK, TMS, TDI, TDO, TAP state) to FILE:\n"
    "                       about 25 bytes per TCK clock, some 100 MB per MB of\n"
    "                       scan data in the SVF file, far more for long RUNTESTs\n"
    "   --vcd-limit SIZE    end the waveform, still a valid VCD file, before it\n"
    "                       passes SIZE bytes, and fail the run; K, M, G multiply\n"
    "                       by 1024, 1024^2, 1024^3; 0 for no limit (default 4G)\n"
    "   --fault WHAT        make the cable fail: open, reopen, bitmode, write:N, read:N,\n"
    "                       or TDO stuck at 0 or 1: tdo-low, tdo-high\n"
    "   --version           print the version and exit\n"
    " No output may be the SVF file or another output. A capture or waveform that\n"
    " could not be completely written is removed.\n";

namespace {

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

SimOptionMatch take_sim_option(int argc, const char* const* argv, int& at, sim::SimOptions& options,
                               std::string& reason) {
  struct Option {
    std::string_view name;
    std::string* value;  // null: --vcd-limit, a size
  };
  const Option known[] = {
      {"--chain", &options.chain},
      {"--capture-out", &options.capture_out},
      {"--capture-in", &options.capture_in},
      {"--vcd", &options.vcd},
      {"--capture-clocks", &options.capture_clocks},
      {"--vcd-limit", nullptr},
      {"--fault", &options.fault},
  };
  const std::string_view arg = argv[at];
  const std::size_t equals = arg.find('=');
  const std::string_view name = arg.substr(0, equals);
  const Option* option = nullptr;
  for (const Option& candidate : known) {
    if (name == candidate.name) option = &candidate;
  }
  if (!option) return SimOptionMatch::not_ours;

  std::string_view value;
  if (equals != std::string_view::npos) {
    value = arg.substr(equals + 1);
  } else if (at + 1 < argc) {
    value = argv[++at];
  } else {
    reason = std::string(name) + " needs an argument";
    return SimOptionMatch::error;
  }
  if (value.empty()) {
    reason = std::string(name) + " needs an argument, not an empty one";
    return SimOptionMatch::error;
  }
  if (option->value) {
    option->value->assign(value);
  } else if (!parse_size(value, options.vcd_limit)) {
    reason = std::string(name) + " needs a size in bytes, with K, M or G or without, not '" +
             std::string(value) + "'";
    return SimOptionMatch::error;
  }
  return SimOptionMatch::taken;
}

int split_sim_arguments(int argc, const char* const* argv, SimArguments& out) {
  if (argc > 0) out.player_args.push_back(argv[0]);
  // The scan goes on past a refused option, so that a "-h" after it still
  // finds its way to the player.
  int ok = 1;
  for (int i = 1; i < argc; ++i) {
    std::string reason;
    switch (take_sim_option(argc, argv, i, out.options, reason)) {
      case SimOptionMatch::not_ours:
        out.player_args.push_back(argv[i]);
        break;
      case SimOptionMatch::taken:
        break;
      case SimOptionMatch::error:
        if (ok) out.error = reason;
        ok = 0;
        break;
    }
  }
  return ok;
}

bool asks_for_help(const std::vector<const char*>& player_args) {
  for (std::size_t i = 1; i < player_args.size(); ++i) {
    if (std::string_view(player_args[i]) == "-h") return true;
  }
  return false;
}

}  // namespace tapwright
