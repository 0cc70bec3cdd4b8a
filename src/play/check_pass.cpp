#include "play/check_pass.hpp"

#include <memory>

#include "cli/interrupt.hpp"
#include "fullsvf/problem_list.hpp"
#include "link/counting_link.hpp"

namespace tapwright::play {

using fullsvf::Diagnostic;
using fullsvf::Diagnostics;

FirstPass check_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                     const fullsvf::ChainPadding* padding, bool again, std::FILE* err) {
  fullsvf::ProblemList problems(settings.name);
  Diagnostics diagnostics([&](const Diagnostic& d) { problems.add(d); });
  std::string problem;
  const std::unique_ptr<fullsvf::SvfSource> source = input.next_pass(problem);
  source->stop_when(
      [&] { return cli::interrupted() || (input.is_stream() && diagnostics.error_count() > 0); });
  fullsvf::SvfFrontEnd front_end(*source, diagnostics);
  if (padding) front_end.pad_for_chain(*padding);
  CountingLink counter =
      settings.cable ? CountingLink(*settings.cable, settings.start_hz) : CountingLink();
  Tap tap(counter, settings.compare, TapState::run_test_idle);
  SvfPlayer checker(diagnostics, settings, clock, tap, nullptr, nullptr, Pass::check);
  FirstPass pass;
  while (front_end.next(checker)) ++pass.statements;
  if (cli::interrupted()) return pass;
  // A second pass (with the chain's padding) repeats the first one's notes.
  if (!again || diagnostics.error_count() > 0) problems.print(err, "tapwright-play");
  pass.errors = diagnostics.error_count();
  if (!input.check_pass(*source, problem)) {
    // What was never read was never checked.
    std::fprintf(err, "tapwright-play: %s\n", problem.c_str());
    ++pass.errors;
  }
  pass.clocks = checker.clocks();
  pass.seconds = counter.clock_seconds() + static_cast<double>(checker.wait_ns()) / 1e9;
  return pass;
}

int report_problems(const FirstPass& pass, const std::string& name, std::FILE* err) {
  if (pass.errors == 0) return 0;
  std::fprintf(err, "tapwright-play: %s: %d %s; nothing played\n", name.c_str(), pass.errors,
               pass.errors == 1 ? "problem" : "problems");
  return 1;
}

}  // namespace tapwright::play
