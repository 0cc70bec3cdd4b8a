#include "play/play_command.hpp"

#include <memory>
#include <optional>

#include "cli/exit_status.hpp"
#include "cli/interrupt.hpp"
#include "cli/separate_outputs.hpp"
#include "cli/standard_streams.hpp"
#include "driver/cable_bring_up.hpp"
#include "fullsvf/problem_list.hpp"
#include "fullsvf/svf_front_end.hpp"
#include "fullsvf/svf_input.hpp"
#include "jtag/tap_controller.hpp"
#include "play/play_options.hpp"
#include "play/progress_line.hpp"
#include "play/svf_player.hpp"
#include "play/terminal.hpp"
#include "play/watched_device.hpp"
#include "sim/sim_device.hpp"

namespace tapwright::play {
namespace {

using cli::exit_failed;
using cli::exit_interrupted;
using cli::exit_mismatched;
using cli::exit_ok;
using fullsvf::Diagnostic;
using fullsvf::Diagnostics;

struct FirstPass {
  int errors = 0;
  std::uint64_t statements = 0;
  std::uint64_t clocks = 0;
};

// Reads and checks the whole file; its problems and notes are listed on
// `err`. A stream is checked as it is copied, and not copied on past its
// first problem: it may never end.
FirstPass check_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                     std::FILE* err) {
  fullsvf::ProblemList problems(settings.name);
  Diagnostics diagnostics([&](const Diagnostic& d) { problems.add(d); });
  std::string problem;
  const std::unique_ptr<fullsvf::SvfSource> source = input.next_pass(problem);
  source->stop_when(
      [&] { return cli::interrupted() || (input.is_stream() && diagnostics.error_count() > 0); });
  fullsvf::SvfFrontEnd front_end(*source, diagnostics);
  SvfPlayer checker(diagnostics, settings, clock, nullptr, nullptr, nullptr);
  FirstPass pass;
  while (front_end.next(checker)) ++pass.statements;
  if (cli::interrupted()) return pass;
  problems.print(err, "tapwright-play");
  pass.errors = diagnostics.error_count();
  if (!input.check_pass(*source, problem)) {
    // What was never read was never checked.
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    ++pass.errors;
  }
  pass.clocks = checker.clocks();
  return pass;
}

// The simulated cable of --sim, or 0 with the reason. No output may be the
// SVF file or another output: each replaces the file of its name.
int make_sim(const PlayOptions& o, std::unique_ptr<sim::SimDevice>& sim, std::string& problem) {
  const sim::SimOptions& options = o.sim_options;
  const cli::NamedOutput outputs[] = {
      {"--capture-out", options.capture_out},
      {"--capture-in", options.capture_in},
      {"--vcd", options.vcd},
  };
  if (!cli::outputs_are_separate(o.file == "-" ? nullptr : o.file.c_str(), outputs, problem)) {
    return 0;
  }
  sim = std::make_unique<sim::SimDevice>();
  return sim->configure(options, problem);
}

std::string counted(std::uint64_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

void report_mismatches(const ScanCheck& check, const PlaySettings& settings, std::FILE* err) {
  for (const ScanFailure& f : check.failures()) {
    std::fprintf(err, "%s:%d: %s\n", settings.name.c_str(), f.line, describe(f).c_str());
  }
  const std::uint64_t unreported = check.failed_scans() - check.failures().size();
  if (unreported > 0) {
    std::fprintf(err, "tapwright-play: %llu more %s\n", static_cast<unsigned long long>(unreported),
                 unreported == 1 ? "scan differs" : "scans differ");
  }
  std::fprintf(err, "tapwright-play: %s: TDO differed in %llu of %llu compared scans (%s)%s\n",
               settings.name.c_str(), static_cast<unsigned long long>(check.failed_scans()),
               static_cast<unsigned long long>(check.compared_scans()),
               counted(static_cast<std::uint64_t>(check.differing_bits()), "bit").c_str(),
               settings.keep_going ? "" : "; stopped there");
}

// Plays the checked file into an open, configured cable; `compared`: the
// scans that compared TDO bits.
int play_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
              Device& device, DeviceHandle handle, ProgressLine& progress, std::FILE* err,
              std::uint64_t& compared) {
  std::unique_ptr<ClockStream> stream;
  std::uint64_t offset = 0;  // of the statement being played
  // Every transfer redraws the progress line, whatever the statement.
  WatchedDevice watched(device, [&] { progress.update(offset, stream->cycles()); });
  stream = std::make_unique<ClockStream>(watched);
  ScanCheck check;
  stream->set_listener(&check);
  Engine engine{*stream, handle};
  if (!tap_reset(*stream, handle, engine.state, settings.compare)) {
    if (cli::interrupted()) return exit_interrupted;
    std::fprintf(err, "tapwright-play: %s: the cable failed during the reset\n",
                 settings.name.c_str());
    return exit_failed;
  }
  PlaySettings playing = settings;
  playing.waiting = [&](std::int64_t left) { progress.update(offset, stream->cycles(), left); };
  // The file was checked: a problem now means it changed since.
  int problems = 0;
  Diagnostics diagnostics([&](const Diagnostic& d) {
    if (d.note) return;
    if (problems++ == 0) {
      std::fprintf(err, "%s:%d: %s (the file changed while it was played)\n", settings.name.c_str(),
                   d.line, d.message.c_str());
    }
  });
  std::string problem;
  const std::unique_ptr<fullsvf::SvfSource> source = input.next_pass(problem);
  if (!source) {
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    return exit_failed;
  }
  source->stop_when(cli::interrupted);
  fullsvf::SvfFrontEnd front_end(*source, diagnostics);
  SvfPlayer player(diagnostics, playing, clock, &engine, &check, cli::interrupt_flag());
  while (!player.broken() && !player.stopped_at_mismatch() && problems == 0 &&
         !cli::interrupted() && front_end.next(player)) {
    offset = front_end.offset();
    progress.update(offset, stream->cycles());
  }
  const int line = front_end.line();
  // What is buffered goes out, with the drain's own cycle (TMS 0, TDI 0)
  // as tapwright gives it, so that both players put the same bytes on the
  // wire. From Test-Logic-Reset that cycle moves to Run-Test/Idle, which
  // keeps the instruction the reset loaded.
  const int drained = player.broken() ? 0 : stream->tap_flush(handle, settings.compare);
  progress.erase();
  if (cli::interrupted()) {
    std::fprintf(err, "tapwright-play: interrupted at %s:%d\n", settings.name.c_str(), line);
    return exit_interrupted;
  }
  if (!drained) {
    std::fprintf(err, "tapwright-play: %s:%d: the cable failed (a write or read fell short)\n",
                 settings.name.c_str(), line);
    return exit_failed;
  }
  if (problems > 0 || !input.check_pass(*source, problem)) {
    if (problems == 0) std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    return exit_failed;
  }
  compared = check.compared_scans();
  if (check.failed_scans() > 0) {
    report_mismatches(check, settings, err);
    return exit_mismatched;
  }
  return exit_ok;
}

int interrupted_while(const char* doing, const std::string& name, std::FILE* err) {
  std::fprintf(err, "tapwright-play: interrupted while %s %s\n", doing, name.c_str());
  return exit_interrupted;
}

// Everything after the command line.
int play_run(const PlayOptions& o, const PlayStreams& streams, HostClock& clock,
             const std::function<Device&()>& real_cable) {
  cli::catch_interrupts();
  std::string problem;
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

  const FirstPass first = check_file(input, settings, clock, streams.err);
  if (cli::interrupted()) return interrupted_while("checking", settings.name, streams.err);
  if (first.errors > 0) {
    std::fprintf(streams.err, "tapwright-play: %s: %d %s; nothing played\n", settings.name.c_str(),
                 first.errors, first.errors == 1 ? "problem" : "problems");
    return exit_failed;
  }
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

  std::unique_ptr<sim::SimDevice> sim;
  if (o.sim && !make_sim(o, sim, problem)) {
    if (cli::interrupted()) return interrupted_while("opening", "the outputs", streams.err);
    std::fprintf(streams.err, "tapwright-play: %s\n", problem.c_str());
    return exit_failed;
  }
  Device& device = sim ? *sim : real_cable();
  const std::uint8_t mode = bit_bang_mode(o.compare);
  DeviceHandle handle = nullptr;
  if (!open_cable(device, mode, handle)) {
    std::fprintf(streams.err, "tapwright-play: no cable: cannot open the first FTDI device\n");
    return exit_failed;
  }
  int status = exit_failed;
  std::uint64_t compared = 0;
  {
    OpenDevice open_device(device, handle);
    if (!configure_cable(device, handle, mode)) {
      std::fprintf(streams.err, "tapwright-play: the cable refused bit-bang mode\n");
    } else {
      ProgressLine progress(streams.err, o.progress.value_or(is_terminal(streams.err)), clock,
                            settings.name, input.size(), first.clocks);
      status = play_file(input, settings, clock, device, handle, progress, streams.err, compared);
    }
  }
  if (sim && status == exit_interrupted) {
    // A run cut short leaves no capture or waveform under a final name.
    sim->remove_outputs();
  } else if (sim) {
    sim->finish();
    if (const std::string lost = sim->output_error(); !lost.empty()) {
      std::fprintf(streams.err, "tapwright-play: %s\n", lost.c_str());
      status = exit_failed;
    }
  }
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
  } else {
    status = play_run(o, streams, clock, real_cable);
  }
  return cli::finish_streams(status, "tapwright-play", streams.out, streams.err);
}

}  // namespace tapwright::play
