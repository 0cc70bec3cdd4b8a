#include "play/play_command.hpp"

#include <memory>

#include "cli/exit_status.hpp"
#include "cli/interrupt.hpp"
#include "cli/separate_outputs.hpp"
#include "cli/standard_streams.hpp"
#include "driver/cable_session.hpp"
#include "fullsvf/svf_input.hpp"
#include "play/attached_devices.hpp"
#include "play/cable_choice.hpp"
#include "play/cable_failure.hpp"
#include "play/cable_list.hpp"
#include "play/chain_report.hpp"
#include "play/chain_target.hpp"
#include "play/check_pass.hpp"
#include "play/file_on_cable.hpp"
#include "play/play_options.hpp"
#include "play/progress_line.hpp"
#include "play/svf_player.hpp"
#include "play/terminal.hpp"
#include "sim/sim_device.hpp"

namespace tapwright::play {
namespace {

using cli::exit_failed;
using cli::exit_interrupted;
using cli::exit_ok;

// The simulated cable of --sim, the chip and channel of the cable chosen,
// with `outputs` (none when null), or 0 with the reason. No output may be
// the SVF file or another output: each replaces the file of its name.
int make_sim(const PlayOptions& o, const CableSetup& setup, const sim::SimOptions* outputs,
             sim::SimDevice& sim, std::string& problem) {
  sim::SimOptions options = outputs ? *outputs : sim::SimOptions{};
  options.chain = o.sim_options.chain;
  options.chip = std::string(ftdi_chip_model(setup.cable->chip).key);
  options.channel = setup.channel;
  options.pins = setup.pins;
  const cli::NamedOutput named[] = {
      {"--capture-out", options.capture_out},
      {"--capture-in", options.capture_in},
      {"--vcd", options.vcd},
      {"--capture-clocks", options.capture_clocks},
  };
  const char* file = o.file.empty() || o.file == "-" ? nullptr : o.file.c_str();
  if (!cli::outputs_are_separate(file, named, problem)) {
    return 0;
  }
  return sim.configure(options, problem);
}

int interrupted_while(const char* doing, const std::string& name, std::FILE* err) {
  std::fprintf(err, "tapwright-play: interrupted while %s %s\n", doing, name.c_str());
  return exit_interrupted;
}

// Ends a run on the simulated cable: its outputs are kept when complete,
// removed when the run was cut short. The run's exit status.
int finish_sim(sim::SimDevice* sim, int status, std::FILE* err) {
  if (!sim) return status;
  if (status == exit_interrupted) {
    sim->remove_outputs();
    return status;
  }
  sim->finish();
  if (const std::string lost = sim->output_error(); !lost.empty()) {
    std::fprintf(err, "tapwright-play: %s\n", lost.c_str());
    return exit_failed;
  }
  return status;
}

// The device of a run, chosen among those attached: the simulated one,
// made into `sim` on the channel chosen, or the real cable. Null after
// saying why not. `label` names a real one.
Device* open_device(const PlayOptions& o, CableSetup& setup,
                    const std::function<Device&()>& real_cable,
                    std::unique_ptr<sim::SimDevice>& sim, std::unique_ptr<ChosenDevice>& chosen,
                    std::string& label, std::FILE* err) {
  if (!o.sim) {
    chosen = choose_attached(real_cable(), o, setup, label, err);
    return chosen.get();
  }
  // The simulated chip is listed as it will be made, before any output
  // file is opened.
  sim::SimDevice listed;
  std::string problem;
  if (!make_sim(o, setup, nullptr, listed, problem)) {
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    return nullptr;
  }
  chosen = choose_attached(listed, o, setup, label, err);
  label.clear();
  if (!chosen) return nullptr;
  sim = std::make_unique<sim::SimDevice>();
  if (make_sim(o, setup, &o.sim_options, *sim, problem)) {
    chosen = std::make_unique<ChosenDevice>(*sim, chosen->chosen());
    return chosen.get();
  }
  chosen.reset();
  if (cli::interrupted()) {
    interrupted_while("opening", "the outputs", err);
  } else {
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
  }
  return nullptr;
}

// --device without --chain: the chain is read from the cable in a run of
// its own, before the file (checked already for everything but the
// padding) is checked again with it. 0 after saying why not.
int detect_target(Device& device, CableSetup setup, const PlayOptions& o, ChainTarget& target,
                  std::FILE* err) {
  std::vector<ChainDevice> chain;
  std::string error;
  setup.compare = 1;
  const CableRun run =
      run_on_cable(device, setup, [&](Tap& tap) { return detect_for_target(tap, chain, error); });
  if (report_cable_failure(run, "--device", err)) return 0;
  if (run.end != CablePhase::done) {
    if (error.empty()) error = "the cable failed (a write or read fell short)";
  } else if (settle_target(std::move(chain), o.device, target, error)) {
    return 1;
  }
  std::fprintf(err, "tapwright-play: %s; nothing played\n", error.c_str());
  return 0;
}

// Everything after the command line.
int play_run(const PlayOptions& o, const PlayStreams& streams, HostClock& clock,
             const std::function<Device&()>& real_cable) {
  cli::catch_interrupts();
  std::string problem;
  CableChoice cable;
  if (!choose_cable(o, cable, problem)) {
    std::fprintf(streams.err,
                 "tapwright-play: %s\nTry 'tapwright-play --help' for more information.\n",
                 problem.c_str());
    return exit_failed;
  }
  std::unique_ptr<sim::SimDevice> sim;
  std::unique_ptr<ChosenDevice> chosen;
  std::string label;
  if (o.selectors.scan_usb) {
    sim::SimDevice listed;
    Device* device = &listed;
    if (!o.sim) {
      device = &real_cable();
    } else if (!make_sim(o, cable.setup, nullptr, listed, problem)) {
      std::fprintf(streams.err, "tapwright-play: %s\n", problem.c_str());
      return exit_failed;
    }
    return scan_usb(*device, streams.out, streams.err) ? exit_ok : exit_failed;
  }
  if (o.detect) {
    Device* device = open_device(o, cable.setup, real_cable, sim, chosen, label, streams.err);
    if (!device) return cli::interrupted() ? exit_interrupted : exit_failed;
    return finish_sim(sim.get(), detect_main(*device, cable.setup, streams), streams.err);
  }
  // With --chain the padding is known before the file is checked; a chain
  // to be detected is padded with nothing until it is read.
  ChainTarget target;
  if (!o.chain.empty()) {
    std::vector<ChainDevice> chain;
    if (!chain_from_list(o.chain, chain, problem) ||
        !settle_target(std::move(chain), o.device, target, problem)) {
      std::fprintf(streams.err, "tapwright-play: --chain: %s\n", problem.c_str());
      return exit_failed;
    }
  }
  const ChainTarget* targeted = o.device.empty() ? nullptr : &target;
  fullsvf::SvfInput input;
  if (!input.open(o.file, problem)) {
    if (cli::interrupted()) return interrupted_while("opening", o.file, streams.err);
    std::fprintf(streams.err, "tapwright-play: %s\n", problem.c_str());
    return exit_failed;
  }
  PlaySettings settings;
  settings.compare = o.compare;
  settings.verbose = o.verbose;
  settings.keep_going = o.keep_going;
  settings.no_wait = o.no_wait;
  settings.name = input.name();
  settings.echo = streams.out;
  settings.start_hz = cable.start_hz;
  settings.max_hz = cable.max_hz;
  settings.min_hz = cable.min_hz;
  settings.cable = cable.setup.cable;
  settings.trst_pin = cable.setup.pins.trst.present();

  const fullsvf::ChainPadding* padding = targeted ? &target.padding : nullptr;
  FirstPass first = check_file(input, settings, clock, padding, false, streams.err);
  if (cli::interrupted()) return interrupted_while("checking", settings.name, streams.err);
  if (report_problems(first, settings.name, streams.err)) return exit_failed;
  if (first.statements == 0) {
    std::fprintf(streams.err, "tapwright-play: %s: no SVF statement\n", settings.name.c_str());
    return exit_failed;
  }
  if (o.check) {
    std::fprintf(streams.out, "%s: %llu statements, %llu clocks: can be played\n",
                 settings.name.c_str(), static_cast<unsigned long long>(first.statements),
                 static_cast<unsigned long long>(first.clocks));
    return exit_ok;
  }

  Device* device = open_device(o, cable.setup, real_cable, sim, chosen, label, streams.err);
  if (!device) return cli::interrupted() ? exit_interrupted : exit_failed;
  if (!label.empty() && o.verbose) {
    std::fprintf(streams.out, "%s: on FTDI %s\n", settings.name.c_str(), label.c_str());
  }
  if (targeted && o.chain.empty()) {
    if (!detect_target(*device, cable.setup, o, target, streams.err)) {
      return finish_sim(sim.get(), cli::interrupted() ? exit_interrupted : exit_failed,
                        streams.err);
    }
    first = check_file(input, settings, clock, padding, true, streams.err);
    if (cli::interrupted()) {
      return finish_sim(sim.get(), interrupted_while("checking", settings.name, streams.err),
                        streams.err);
    }
    if (report_problems(first, settings.name, streams.err)) {
      return finish_sim(sim.get(), exit_failed, streams.err);
    }
  }
  std::uint64_t compared = 0;
  ProgressLine progress(streams.err, o.progress.value_or(is_terminal(streams.err)), clock,
                        settings.name, input.size(), first.clocks);
  progress.name_device(label);
  progress.set_estimate(first.seconds);
  if (settings.verbose) {
    std::fprintf(streams.out, "%s: %s estimated (%llu clocks and the waits)\n",
                 settings.name.c_str(), duration_text(first.seconds).c_str(),
                 static_cast<unsigned long long>(first.clocks));
  }
  const std::int64_t started_ns = clock.now_ns();
  int status = play_on_cable(input, settings, clock, *device, cable.setup, targeted, progress,
                             streams.err, compared);
  if (status == exit_ok) progress.played(static_cast<double>(clock.now_ns() - started_ns) / 1e9);
  status = finish_sim(sim.get(), status, streams.err);
  if (status == exit_ok && o.compare) {
    std::fprintf(streams.out,
                 compared > 0 ? "%s: every compared TDO bit matched\n"
                              : "%s: no TDO bit was compared: no scan has one under its MASK\n",
                 settings.name.c_str());
  }
  return status;
}

}  // namespace

int play_main(const std::vector<std::string>& args, const PlayStreams& streams, HostClock& clock,
              const std::function<Device&()>& real_cable) {
  PlayOptions o;
  std::string problem;
  int status = exit_ok;
  if (!parse_play_options(args, o, problem)) {
    std::fprintf(streams.err,
                 "tapwright-play: %s\nTry 'tapwright-play --help' for more information.\n",
                 problem.c_str());
    status = exit_failed;
  } else if (o.help) {
    std::fputs(play_usage().c_str(), streams.out);
  } else if (o.version) {
    std::fputs("tapwright-play " TAPWRIGHT_VERSION "\n", streams.out);
  } else if (o.list_cables) {
    std::fputs(cable_list().c_str(), streams.out);
  } else {
    status = play_run(o, streams, clock, real_cable);
  }
  return cli::finish_streams(status, "tapwright-play", streams.out, streams.err);
}

}  // namespace tapwright::play
