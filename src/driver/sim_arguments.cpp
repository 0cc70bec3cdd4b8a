#include "driver/sim_arguments.hpp"

#include <string_view>

namespace tapwright {

const char* const sim_usage_tail =
    "\n"
    "tapwright-sim plays the file over a simulated cable and JTAG chain.\n"
    " simulator options (each takes one argument and may stand anywhere):\n"
    "   --chain LIST        devices from TDI to TDO, each IRLEN:IDCODE[:IDCODE_OPCODE],\n"
    "                       separated by commas, or none (default 8:0x59604093)\n"
    "   --capture-out FILE  write every byte sent to the cable to FILE\n"
    "   --capture-in FILE   write every byte the cable returned (with -c) to FILE\n"
    "   --vcd FILE          write a waveform (TCK, TMS, TDI, TDO, TAP state) to FILE\n"
    "   --fault WHAT        make the cable fail: open, reopen, bitmode, write:N, read:N\n";

int split_sim_arguments(int argc, const char* const* argv, SimArguments& out) {
  struct Option {
    std::string_view name;
    std::string* value;
  };
  const Option options[] = {
      {"--chain", &out.chain},           {"--capture-out", &out.capture_out},
      {"--capture-in", &out.capture_in}, {"--vcd", &out.vcd},
      {"--fault", &out.fault},
  };
  if (argc > 0) out.player_args.push_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const Option* match = nullptr;
    for (const Option& option : options) {
      if (arg == option.name) match = &option;
    }
    if (!match) {
      out.player_args.push_back(argv[i]);
      continue;
    }
    if (i + 1 >= argc) {
      out.error = std::string(match->name) + " needs an argument";
      return 0;
    }
    *match->value = argv[++i];
    if (match->value == &out.chain) out.chain_given = true;
  }
  return 1;
}

bool asks_for_help(const std::vector<const char*>& player_args) {
  for (std::size_t i = 1; i < player_args.size(); ++i) {
    if (std::string_view(player_args[i]) == "-h") return true;
  }
  return false;
}

}  // namespace tapwright
