// tapwright-play's command line: each row an argument list and either the
// options it gives or the reason it is refused.
#include "play/play_options.hpp"

#include <gtest/gtest.h>

namespace tapwright::play {
namespace {

std::string summary(const PlayOptions& o) {
  std::string s = "file=" + o.file + " c" + std::to_string(o.compare) + " v" +
                  std::to_string(o.verbose) + (o.keep_going ? " keep" : "") +
                  (o.check ? " check" : "") + (o.help ? " help" : "") +
                  (o.version ? " version" : "") + (o.no_wait ? " no-wait" : "");
  if (o.progress) s += *o.progress ? " progress" : " no-progress";
  if (o.sim) s += " sim=" + o.sim_options.chain;
  if (!o.sim_options.vcd.empty()) s += " vcd=" + o.sim_options.vcd;
  if (o.sim_options.vcd_limit != sim::default_vcd_limit) {
    s += " limit=" + std::to_string(o.sim_options.vcd_limit);
  }
  return s;
}

TEST(PlayOptions, EachFormAndEachRefusal) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;  // the summary, or the reason it is refused
  };
  const std::vector<Case> cases = {
      {{"-cv", "f"}, "file=f c1 v1"},
      {{"--compare", "--verbose", "--keep-going", "--check", "f"}, "file=f c1 v1 keep check"},
      {{"--progress", "f"}, "file=f c0 v0 progress"},
      {{"f", "--no-progress"}, "file=f c0 v0 no-progress"},
      {{"--sim=1:0x1", "--vcd=w.vcd", "--vcd-limit", "1K", "--no-wait", "f"},
       "file=f c0 v0 no-wait sim=1:0x1 vcd=w.vcd limit=1024"},
      {{"--sim", "f"}, "file=f c0 v0 sim=8:0x59604093"},
      {{"--", "-f"}, "file=-f c0 v0"},
      {{"-"}, "file=- c0 v0"},
      {{"-h"}, "file= c0 v0 help"},
      {{"--version"}, "file= c0 v0 version"},
      {{}, "no FILE given"},
      {{"a", "b"}, "more than one FILE: 'a' and 'b'"},
      {{"-x", "f"}, "unknown option '-x'"},
      {{"--bogus", "f"}, "unknown option '--bogus'"},
      {{"--check=yes", "f"}, "--check takes no value"},
      {{"--sim=", "f"}, "--sim= needs a chain"},
      {{"--chain", "1:1", "f"}, "--chain: the chain is given as --sim=CHAIN"},
      {{"--vcd=", "f"}, "--vcd needs an argument, not an empty one"},
      {{"--vcd", "w.vcd", "f"},
       "--vcd, --vcd-limit, --capture-out, --capture-in, --fault and --no-wait go with --sim"},
      {{"--no-wait", "f"},
       "--vcd, --vcd-limit, --capture-out, --capture-in, --fault and --no-wait go with --sim"},
      {{"--keep-going", "f"}, "--keep-going goes with -c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    PlayOptions o;
    std::string problem;
    const int ok = parse_play_options(c.args, o, problem);
    EXPECT_EQ(ok ? summary(o) : problem, c.expected);
  }
}

}  // namespace
}  // namespace tapwright::play
