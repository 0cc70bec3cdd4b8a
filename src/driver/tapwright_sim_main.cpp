// tapwright-sim: the player over a simulated cable and JTAG chain, with
// captures and a waveform of what went over the wires.
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/player.hpp"
#include "driver/separate_outputs.hpp"
#include "driver/sim_arguments.hpp"
#include "sim/sim_device.hpp"

int main(int argc, char** argv) {
  using namespace tapwright;
  SimArguments args;
  const int split = split_sim_arguments(argc, argv, args);
  const PlayerStreams streams{stdout, stderr, sim_usage_tail, sim_usage_line};
  const int player_argc = static_cast<int>(args.player_args.size());
  const char* const* player_argv = args.player_args.data();
  sim::SimDevice device;
  if (asks_for_help(args.player_args)) return run_player(player_argc, player_argv, device, streams);
  for (std::size_t i = 1; i < args.player_args.size(); ++i) {
    if (std::string_view(args.player_args[i]) == "--version") {
      std::puts("tapwright-sim " TAPWRIGHT_VERSION);
      return exit_ok;
    }
  }
  const auto fail = [](const std::string& reason) {
    std::fprintf(stderr, "tapwright-sim: %s\n", reason.c_str());
    return exit_failed;
  };
  if (!split) return fail(args.error);
  const sim::SimOptions& options = args.options;
  const NamedOutput outputs[] = {
      {"--capture-out", options.capture_out},
      {"--capture-in", options.capture_in},
      {"--vcd", options.vcd},
      {"--capture-clocks", options.capture_clocks},
  };
  std::string error;
  if (!outputs_are_separate(player_svf_path(player_argc, player_argv), outputs, error) ||
      !device.configure(options, error)) {
    return fail(error);
  }
  const int status = run_player(player_argc, player_argv, device, streams);
  device.finish();
  // A capture or waveform cut short (a full disk, the size limit) would
  // mislead whoever reads it: say so, and let the run count as failed.
  if (const std::string lost = device.output_error(); !lost.empty()) return fail(lost);
  return status;
}
