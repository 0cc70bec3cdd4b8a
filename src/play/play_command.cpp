#include "play/play_command.hpp"

#include <memory>
#include <optional>

#include "driver/cable_session.hpp"
#include "driver/separate_outputs.hpp"
#include "fullsvf/svf_front_end.hpp"
#include "fullsvf/svf_input.hpp"
#include "link/counting_link.hpp"
#include "link/mpsse_setup.hpp"
#include "play/cable_choice.hpp"
#include "play/cable_failure.hpp"
#include "play/interrupt.hpp"
#include "play/play_options.hpp"
#include "play/progress_line.hpp"
#include "play/svf_player.hpp"
#include "play/terminal.hpp"
#include "sim/sim_device.hpp"

namespace tapwright::play {
namespace {

using fullsvf::Diagnostic;
using fullsvf::Diagnostics;

struct FirstPass {
  int errors = 0;
  std::uint64_t statements = 0;
  std::uint64_t clocks = 0;
};

// Reads and checks the whole file. Every problem and note goes to `err`.
FirstPass check_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                     std::FILE* err) {
  Diagnostics diagnostics([&](const Diagnostic& d) {
    std::fprintf(err, "%s:%d: %s%s\n", settings.name.c_str(), d.line, d.note ? "note: " : "",
                 d.message.c_str());
  });
  fullsvf::SvfSource source(input.file());
  fullsvf::SvfFrontEnd front_end(source, diagnostics);
  // The file played into a link that only counts, from where a run's
  // reset leaves the controller.
  CountingLink counter;
  Tap tap(counter, settings.compare, TapState::run_test_idle);
  SvfPlayer checker(diagnostics, settings, clock, tap, nullptr, nullptr, Pass::check);
  FirstPass pass;
  while (!*interrupt_flag() && front_end.next(checker)) ++pass.statements;
  pass.errors = diagnostics.error_count();
  if (source.failed()) {
    // What was never read was never checked.
    std::fprintf(err, "tapwright-play: cannot read %s to its end\n", settings.name.c_str());
    ++pass.errors;
  }
  pass.clocks = checker.clocks();
  return pass;
}

// The simulated cable of --sim, or 0 with the reason. No output may be the
// SVF file or another output: they are created before the file is read.
int make_sim(const PlayOptions& o, const CableSetup& setup, std::unique_ptr<sim::SimDevice>& sim,
             std::string& problem) {
  // The simulated cable is the chip of the cable chosen.
  sim::SimOptions options = o.sim_options;
  options.chip = std::string(ftdi_chip_model(setup.cable->chip).key);
  options.channel = setup.channel;
  const NamedOutput outputs[] = {
      {"--capture-out", options.capture_out},
      {"--capture-in", options.capture_in},
      {"--vcd", options.vcd},
      {"--capture-clocks", options.capture_clocks},
  };
  if (!outputs_are_separate(o.file == "-" ? nullptr : o.file.c_str(), outputs, problem)) return 0;
  sim = std::make_unique<sim::SimDevice>();
  return sim->configure(options, problem);
}

void report_mismatches(const ScanCheck& check, const PlaySettings& settings, std::FILE* err) {
  for (const ScanFailure& f : check.failures()) {
    std::fprintf(err, "%s:%d: %s\n", settings.name.c_str(), f.line, describe(f).c_str());
  }
  const std::uint64_t unreported = check.failed_scans() - check.failures().size();
  if (unreported > 0) {
    std::fprintf(err, "tapwright-play: %llu more scans differ\n",
                 static_cast<unsigned long long>(unreported));
  }
  std::fprintf(
      err, "tapwright-play: %s: TDO differed in %llu of %llu compared scans (%lld bits)%s\n",
      settings.name.c_str(), static_cast<unsigned long long>(check.failed_scans()),
      static_cast<unsigned long long>(check.compared_scans()),
      static_cast<long long>(check.differing_bits()), settings.keep_going ? "" : "; stopped there");
}

// How a run on the cable ended, beyond its phase.
struct Played {
  bool interrupted = false;
  bool broken = false;   // a write or read of the cable fell short
  bool changed = false;  // the file changed since it was checked
  int line = 0;          // where it stopped
};

// Plays the checked file into the TAP object of a cable after its reset.
// 1 to have the run drained.
int play_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock, Tap& tap,
              ScanCheck& check, ProgressLine& progress, Played& played, std::FILE* err) {
  tap.link().set_listener(&check);
  // The file was checked: a problem now means it changed since.
  int problems = 0;
  Diagnostics diagnostics([&](const Diagnostic& d) {
    if (d.note) return;
    if (problems++ == 0) {
      std::fprintf(err, "%s:%d: %s (the file changed while it was played)\n", settings.name.c_str(),
                   d.line, d.message.c_str());
    }
  });
  fullsvf::SvfSource source(input.file());
  fullsvf::SvfFrontEnd front_end(source, diagnostics);
  SvfPlayer player(diagnostics, settings, clock, tap, &check, interrupt_flag());
  while (!player.broken() && !player.stopped_at_mismatch() && problems == 0 && !*interrupt_flag() &&
         front_end.next(player)) {
    progress.update(front_end.offset(), tap.link().cycles());
  }
  played.line = front_end.line();
  played.interrupted = *interrupt_flag() != 0;
  played.broken = player.broken();
  played.changed = problems > 0 || source.failed();
  if (source.failed()) std::fprintf(err, "tapwright-play: cannot read %s\n", settings.name.c_str());
  // A cable that failed takes no more clocks; anything else is drained, an
  // interrupted run too, so that the cable is left with what it was sent.
  return played.broken ? 0 : 1;
}

// The run on the cable and what it ended with.
int play_on_cable(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                  Device& device, const CableSetup& setup, ProgressLine& progress, std::FILE* err) {
  ScanCheck check;
  Played played;
  const CableRun run = run_on_cable(device, setup, [&](Tap& tap) {
    if (settings.verbose && setup.cable && setup.cable->encoding == CableEncoding::mpsse) {
      std::fprintf(
          settings.echo, "%s: cable %s, channel %c, TCK %s\n", settings.name.c_str(),
          std::string(setup.cable->name).c_str(), setup.channel,
          rate_text(static_cast<double>(mpsse_rate(
                        ftdi_chip_model(setup.cable->chip).h_chip(),
                        mpsse_divisor(ftdi_chip_model(setup.cable->chip).h_chip(), setup.tck_hz))))
              .c_str());
    }
    return play_file(input, settings, clock, tap, check, progress, played, err);
  });
  progress.erase();
  if (report_cable_failure(run, settings.name, err)) return exit_not_played;
  if (played.interrupted) {
    std::fprintf(err, "tapwright-play: interrupted at %s:%d\n", settings.name.c_str(), played.line);
    return exit_interrupted;
  }
  if (run.end != CablePhase::done) {
    std::fprintf(err, "tapwright-play: %s:%d: the cable failed (a write or read fell short)\n",
                 settings.name.c_str(), played.line);
    return exit_not_played;
  }
  if (played.changed) return exit_not_played;
  if (check.failed_scans() > 0) {
    report_mismatches(check, settings, err);
    return exit_mismatched;
  }
  return exit_played;
}

}  // namespace

int play_main(const std::vector<std::string>& args, const PlayStreams& streams, HostClock& clock,
              const std::function<Device&()>& real_cable) {
  PlayOptions o;
  std::string problem;
  if (!parse_play_options(args, o, problem)) {
    std::fprintf(streams.err,
                 "tapwright-play: %s\nTry 'tapwright-play --help' for more information.\n",
                 problem.c_str());
    return exit_not_played;
  }
  if (o.help) {
    std::fputs(play_usage, streams.out);
    return exit_played;
  }
  if (o.version) {
    std::fputs("tapwright-play " TAPWRIGHT_VERSION "\n", streams.out);
    return exit_played;
  }
  catch_interrupts();
  SkippingClock skipping(clock);
  HostClock& timer = o.no_wait ? static_cast<HostClock&>(skipping) : clock;
  fullsvf::SvfInput input;
  if (!input.open(o.file, problem)) {
    std::fprintf(streams.err, "tapwright-play: %s\n", problem.c_str());
    return exit_not_played;
  }
  CableChoice cable;
  if (!choose_cable(o, cable, problem)) {
    std::fprintf(streams.err,
                 "tapwright-play: %s\nTry 'tapwright-play --help' for more information.\n",
                 problem.c_str());
    return exit_not_played;
  }
  PlaySettings settings;
  settings.start_hz = cable.start_hz;
  settings.max_hz = cable.max_hz;
  settings.min_hz = cable.min_hz;
  settings.compare = o.compare;
  settings.verbose = o.verbose;
  settings.keep_going = o.keep_going;
  settings.name = input.name();
  settings.echo = streams.out;

  const FirstPass first = check_file(input, settings, timer, streams.err);
  if (*interrupt_flag()) {
    std::fprintf(streams.err, "tapwright-play: interrupted while checking %s\n",
                 settings.name.c_str());
    return exit_interrupted;
  }
  if (first.errors > 0) {
    std::fprintf(streams.err, "tapwright-play: %s: %d %s; nothing played\n", settings.name.c_str(),
                 first.errors, first.errors == 1 ? "problem" : "problems");
    return exit_not_played;
  }
  if (o.check) {
    std::fprintf(streams.out, "%s: %llu statements, %llu clocks: can be played\n",
                 settings.name.c_str(), static_cast<unsigned long long>(first.statements),
                 static_cast<unsigned long long>(first.clocks));
    return exit_played;
  }
  if (!input.rewind(problem)) {
    std::fprintf(streams.err, "tapwright-play: %s\n", problem.c_str());
    return exit_not_played;
  }

  std::unique_ptr<sim::SimDevice> sim;
  if (o.sim && !make_sim(o, cable.setup, sim, problem)) {
    std::fprintf(streams.err, "tapwright-play: %s\n", problem.c_str());
    return exit_not_played;
  }
  Device& device = sim ? *sim : real_cable();
  ProgressLine progress(streams.err, o.progress.value_or(is_terminal(streams.err)), clock,
                        settings.name, input.size(), first.clocks);
  int status = play_on_cable(input, settings, timer, device, cable.setup, progress, streams.err);
  if (sim && status == exit_interrupted) {
    // A run cut short leaves no capture or waveform under a final name.
    sim->remove_outputs();
  } else if (sim) {
    sim->finish();
    if (const std::string lost = sim->output_error(); !lost.empty()) {
      std::fprintf(streams.err, "tapwright-play: %s\n", lost.c_str());
      status = exit_not_played;
    }
  }
  if (status == exit_played && o.compare) {
    std::fprintf(streams.out, "%s: every compared TDO bit matched\n", settings.name.c_str());
  }
  return status;
}

}  // namespace tapwright::play
