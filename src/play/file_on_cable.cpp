#include "play/file_on_cable.hpp"

#include <memory>
#include <string>

#include "cli/exit_status.hpp"
#include "cli/interrupt.hpp"
#include "link/cable_rate.hpp"
#include "link/mpsse_setup.hpp"
#include "play/cable_choice.hpp"
#include "play/cable_failure.hpp"
#include "play/cable_list.hpp"
#include "play/watched_device.hpp"

namespace tapwright::play {
namespace {

using cli::exit_failed;
using cli::exit_interrupted;
using cli::exit_mismatched;
using cli::exit_ok;
using fullsvf::Diagnostic;
using fullsvf::Diagnostics;

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

// The line -v gives the cable a run starts on, unless it is tapwright's
// own wiring at its usual rate.
void echo_cable(const PlaySettings& settings, const CableSetup& setup) {
  if (!settings.verbose || !setup.cable) return;
  const CableRow& cable = *setup.cable;
  const bool mpsse = cable.encoding == CableEncoding::mpsse;
  const std::uint64_t asked = setup.tck_hz ? setup.tck_hz : mpsse ? default_mpsse_hz : cable.max_hz;
  const auto hz = static_cast<double>(cable_rate(cable, asked));
  if (mpsse) {
    std::fprintf(settings.echo, "%s: cable %s, channel %c, TCK %s\n", settings.name.c_str(),
                 std::string(cable.name).c_str(), setup.channel, rate_text(hz).c_str());
  } else if (cable.name != default_cable || !setup.pins.specified() || setup.tck_hz) {
    std::fprintf(settings.echo, "%s: cable %s, bit-bang %s, TCK %s\n", settings.name.c_str(),
                 std::string(cable.name).c_str(), wiring_text(cable, setup.pins).c_str(),
                 rate_text(hz).c_str());
  }
}

// How the statements of a run on the cable ended.
struct Played {
  bool broken = false;   // a write or read of the cable fell short
  bool changed = false;  // the file changed since it was checked
  int line = 0;          // where it stopped
};

// Plays the checked file into the TAP object of a cable after its reset.
// 1 to have the run drained: a cable that failed takes no more clocks;
// anything else is drained, an interrupted run too, so that the cable is
// left with what it was sent.
int play_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock, Tap& tap,
              const fullsvf::ChainPadding* padding, ScanCheck& check, std::uint64_t& offset,
              Played& played, std::FILE* err) {
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
  std::string problem;
  const std::unique_ptr<fullsvf::SvfSource> source = input.next_pass(problem);
  if (!source) {
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    played.changed = true;
    return 1;
  }
  source->stop_when(cli::interrupted);
  fullsvf::SvfFrontEnd front_end(*source, diagnostics);
  if (padding) front_end.pad_for_chain(*padding);
  SvfPlayer player(diagnostics, settings, clock, tap, &check, cli::interrupt_flag());
  while (!player.broken() && !player.stopped_at_mismatch() && problems == 0 &&
         !cli::interrupted() && front_end.next(player)) {
    offset = front_end.offset();
  }
  played.line = front_end.line();
  played.broken = player.broken();
  if (problems == 0 && !input.check_pass(*source, problem)) {
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    ++problems;
  }
  played.changed = problems > 0;
  return played.broken ? 0 : 1;
}

}  // namespace

// The run on the cable and what it ended with; `compared`: the scans that
// compared TDO bits. With a target, nothing is played unless the cable reads its chain.
int play_on_cable(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                  Device& device, const CableSetup& setup, const ChainTarget* target,
                  ProgressLine& progress, std::FILE* err, std::uint64_t& compared) {
  ScanCheck check;
  Played played;
  std::uint64_t offset = 0;  // of the statement being played
  const CableLink* link = nullptr;
  // Every transfer redraws the progress line, whatever the statement.
  WatchedDevice watched(device, [&] { progress.update(offset, link ? link->cycles() : 0); });
  PlaySettings playing = settings;
  playing.waiting = [&](std::int64_t left) {
    progress.update(offset, link ? link->cycles() : 0, left);
  };
  // Reading the chain needs TDO back; the file's scans are compared only
  // as the settings say.
  CableSetup cable = setup;
  if (target) cable.compare = 1;
  std::string other_chain;
  const CableRun run = run_on_cable(watched, cable, [&](Tap& tap) {
    link = &tap.link();
    echo_cable(settings, setup);
    if (target && (!check_chain(tap, target->chain, other_chain) || !tap.reset())) return 0;
    if (target && settings.verbose) {
      std::fprintf(settings.echo, "%s: %s\n", settings.name.c_str(), target_text(*target).c_str());
    }
    return play_file(input, playing, clock, tap, target ? &target->padding : nullptr, check, offset,
                     played, err);
  });
  progress.erase();
  if (cli::interrupted()) {
    std::fprintf(err, "tapwright-play: interrupted at %s:%d\n", settings.name.c_str(), played.line);
    return exit_interrupted;
  }
  if (report_cable_failure(run, settings.name, err)) return exit_failed;
  if (!other_chain.empty()) {
    std::fprintf(err, "tapwright-play: %s: %s; nothing played\n", settings.name.c_str(),
                 other_chain.c_str());
    return exit_failed;
  }
  if (run.end != CablePhase::done) {
    std::fprintf(err, "tapwright-play: %s:%d: the cable failed (a write or read fell short)\n",
                 settings.name.c_str(), played.line);
    return exit_failed;
  }
  if (played.changed) return exit_failed;
  compared = check.compared_scans();
  if (check.failed_scans() > 0) {
    report_mismatches(check, settings, err);
    return exit_mismatched;
  }
  return exit_ok;
}

}  // namespace tapwright::play
