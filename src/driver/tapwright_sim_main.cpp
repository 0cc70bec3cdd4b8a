// tapwright-sim: the player over a simulated cable and JTAG chain, with
// captures and a waveform of what went over the wires.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/interrupt.hpp"
#include "cli/separate_outputs.hpp"
#include "cli/standard_streams.hpp"
#include "driver/player.hpp"
#include "sim/sim_device.hpp"

namespace {

using namespace tapwright;

enum { help = sim::last_sim_option + 1, version };

constexpr const char* usage_line = "tapwright-sim [simulator options] svf_file [options]\n";
constexpr const char* usage_head =
    " simulator options (the file plays over a simulated cable and JTAG chain),\n"
    " anywhere on the line, each with its value after a blank or an \"=\":\n";
constexpr const char* usage_foot =
    " No output may be the SVF file or another output. An output is put in place\n"
    " only once completely written.\n";

std::vector<cli::Option> option_table() {
  std::vector<cli::Option> table(sim::sim_option_rows().begin(), sim::sim_option_rows().end());
  table.push_back({help, "--help", 0, cli::Takes::nothing, {}, "this text, as -h"});
  table.push_back({version, "--version", 0, cli::Takes::nothing, {}, "print the version and exit"});
  return table;
}

int finish(int status) {
  return cli::finish_streams(status, "tapwright-sim", stdout, stderr);
}

int fail(const std::string& reason) {
  std::fprintf(stderr, "tapwright-sim: %s\n", reason.c_str());
  return finish(exit_failed);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::vector<cli::Option> table = option_table();
  cli::CommandLine line;
  std::string problem;
  const int read = cli::read_options_among(table, args, line, problem);
  // What is no simulator option goes to the player's own scan, as tapwright
  // reads it: its options, and the SVF path.
  std::vector<const char*> player_args{argv[0]};
  for (const std::string& arg : line.operands) player_args.push_back(arg.c_str());
  const std::string tail = usage_head + cli::describe_options(table, "   ") + usage_foot;
  const PlayerStreams streams{stdout, stderr, tail, usage_line};
  const int player_argc = static_cast<int>(player_args.size());
  sim::SimDevice device;
  if (line.has(help) || std::count(line.operands.begin(), line.operands.end(), "-h") > 0) {
    const char* const asked[] = {argv[0], "-h"};
    return finish(run_player(2, asked, device, streams));
  }
  if (line.has(version)) {
    std::puts("tapwright-sim " TAPWRIGHT_VERSION);
    return finish(exit_ok);
  }
  if (!read) return fail(problem);
  sim::SimOptions options;
  for (const cli::GivenOption& o : line.options) {
    if (!sim::set_sim_option(o.id, o.value, options, problem)) return fail(problem);
  }
  const cli::NamedOutput outputs[] = {
      {"--capture-out", options.capture_out},
      {"--capture-in", options.capture_in},
      {"--vcd", options.vcd},
      {"--capture-clocks", options.capture_clocks},
  };
  // Nothing to release but the outputs' temporary files, which a signal
  // removes before it ends the program.
  cli::exit_on_interrupt();
  if (!cli::outputs_are_separate(player_svf_path(player_argc, player_args.data()), outputs,
                                 problem) ||
      !device.configure(options, problem)) {
    return fail(problem);
  }
  const int status = run_player(player_argc, player_args.data(), device, streams);
  device.finish();
  // A capture or waveform cut short (a full disk, the size limit) would
  // mislead whoever reads it: say so, and let the run count as failed.
  if (const std::string lost = device.output_error(); !lost.empty()) return fail(lost);
  return finish(status);
}
