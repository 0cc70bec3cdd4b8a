// tapwright-sim: the player over a simulated cable and JTAG chain, with
// captures and a waveform of what went over the wires.
#include <cstdio>
#include <string>

#include "driver/player.hpp"
#include "driver/sim_arguments.hpp"
#include "sim/sim_device.hpp"

int main(int argc, char** argv) {
  using namespace tapwright;
  SimArguments args;
  const int split = split_sim_arguments(argc, argv, args);
  const PlayerStreams streams{stdout, stderr, sim_usage_tail};
  const int player_argc = static_cast<int>(args.player_args.size());
  sim::SimDevice device;
  if (asks_for_help(args.player_args)) {
    return run_player(player_argc, args.player_args.data(), device, streams);
  }
  if (!split) {
    std::fprintf(stderr, "tapwright-sim: %s\n", args.error.c_str());
    return exit_failed;
  }
  sim::SimOptions options;
  if (args.chain_given) options.chain = args.chain;
  options.capture_out = args.capture_out;
  options.capture_in = args.capture_in;
  options.vcd = args.vcd;
  options.fault = args.fault;
  std::string error;
  if (!device.configure(options, error)) {
    std::fprintf(stderr, "tapwright-sim: %s\n", error.c_str());
    return exit_failed;
  }
  const int status = run_player(player_argc, args.player_args.data(), device, streams);
  device.finish();
  // A capture or waveform cut short (a full disk) would mislead whoever
  // reads it: say so, and let the run count as failed.
  if (const std::string lost = device.output_error(); !lost.empty()) {
    std::fprintf(stderr, "tapwright-sim: %s\n", lost.c_str());
    return exit_failed;
  }
  return status;
}
