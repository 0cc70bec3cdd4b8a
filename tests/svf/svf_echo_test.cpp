// The verbose echo, byte for byte, and when it reaches the stream.
#include <gtest/gtest.h>

#include "svf_run_harness.hpp"

namespace tapwright {
namespace {

using testing::InterpreterRun;

struct EchoCase {
  const char* name;
  const char* svf;
  int result;
  const char* echo;
};

TEST(SvfEcho, Formats) {
  const std::vector<EchoCase> cases = {
      {"no TDO: zeros and two blanks for the empty SMASK", "SIR 8 TDI (01);", 1,
       "SIR 8 TDI 01 SMASK  TDO 00 MASK 00\n"},
      {"every clause, in the echo's own order", "SDR 8 TDO (5a) MASK (ff) SMASK (0f) TDI (a5);", 1,
       "SDR 8 TDI a5 SMASK 0f TDO 5a MASK ff\n"},
      {"zero fill rounds up to whole digits", "SDR 5 TDI (1f);", 1,
       "SDR 5 TDI 1f SMASK  TDO 00 MASK 00\n"},
      {"length with an exponent reads its leading digits", "SDR 8E0 TDI (a5);", 1,
       "SDR 8 TDI a5 SMASK  TDO 00 MASK 00\n"},
      {"zero length: every field empty", "SDR 0 TDI ();", 1, "SDR 0 TDI  SMASK  TDO  MASK \n"},
      {"TDO before any MASK: empty MASK field", "SDR 8 TDI (00) TDO (00);", 1,
       "SDR 8 TDI 00 SMASK  TDO 00 MASK \n"},
      {"sticky MASK", "SDR 8 TDI (00) TDO (00) MASK (0f);\nSDR 8 TDI (00) TDO (11);", 1,
       "SDR 8 TDI 00 SMASK  TDO 00 MASK 0f\nSDR 8 TDI 00 SMASK  TDO 11 MASK 0f\n"},
      {"sticky SMASK per kind", "SIR 4 TDI (0) SMASK (f); SDR 4 TDI (0); SIR 4 TDI (0);", 1,
       "SIR 4 TDI 0 SMASK f TDO 0 MASK 0\nSDR 4 TDI 0 SMASK  TDO 0 MASK 0\n"
       "SIR 4 TDI 0 SMASK f TDO 0 MASK 0\n"},
      {"a scan without TDO shows zeros, not the stored MASK",
       "SDR 8 TDI (00) TDO (00) MASK (0f); SDR 8 TDI (00);", 1,
       "SDR 8 TDI 00 SMASK  TDO 00 MASK 0f\nSDR 8 TDI 00 SMASK  TDO 00 MASK 00\n"},
      {"TDO keyword whose next word is no value", "SDR 8 TDO 5a TDI (a5);", 1,
       "SDR 8 TDI a5 SMASK  TDO 00 MASK 00\n"},
      {"RUNTEST", "RUNTEST 100 TCK;", 1, "RUNTEST 100 TCK\n"},
      {"RUNTEST with a negative count", "RUNTEST -5 TCK;", 1, "RUNTEST -5 TCK\n"},
      {"RUNTEST with an end state: echoed, then the run fails", "RUNTEST 4 TCK ENDSTATE IDLE;", 0,
       "RUNTEST 4 TCK\n"},
      {"STATE with two names", "STATE RESET IDLE;", 1, "STATE RESET IDLE \n"},
      {"STATE with no state: the line stays unfinished", "STATE BOGUS;", 0, "STATE "},
      {"STATE stops after the last good name", "STATE DRPAUSE idle;", 0, "STATE DRPAUSE "},
      {"ENDIR", "ENDIR IRPAUSE;", 1, "ENDIR IRPAUSE\n"},
      {"ENDDR echoed before its word is checked", "ENDDR SHIFT;", 0, "ENDDR SHIFT\n"},
      {"skipped statements echo nothing", "TRST OFF; FREQUENCY 1E6 HZ; HIR 0; TIR; HDR 0; TDR 0;",
       1, ""},
  };
  for (const EchoCase& c : cases) {
    SCOPED_TRACE(c.name);
    InterpreterRun run;
    EXPECT_EQ(run.play(c.svf), c.result);
    EXPECT_EQ(run.echo.text(), c.echo);
  }
}

TEST(SvfEcho, StateWordShowsOnlyAfterItsWalk) {
  InterpreterRun run;
  run.device.write_counts = {0};
  // The walk to Pause-DR fills the block on its third step, and that write fails.
  EXPECT_EQ(run.play("RUNTEST 2045 TCK; STATE IDLE DRPAUSE;"), 0);
  EXPECT_EQ(run.echo.text(), "RUNTEST 2045 TCK\nSTATE IDLE ");
}

TEST(SvfEcho, RuntestFlushesWhatCameBefore) {
  InterpreterRun run;
  ASSERT_EQ(run.play("SIR 4 TDI (5); RUNTEST 1 TCK; SDR 4 TDI (5);"), 1);
  // The SDR after the RUNTEST waits in the stream's buffer.
  EXPECT_EQ(run.echo.flushed(), "SIR 4 TDI 5 SMASK  TDO 0 MASK 0\nRUNTEST 1 TCK\n");
}

TEST(SvfEcho, RuntestFlushesWithoutVerbose) {
  InterpreterRun run;
  std::fputs("earlier output\n", run.echo.file());
  ASSERT_EQ(run.play("SIR 4 TDI (5);", 0), 1);
  EXPECT_EQ(run.echo.flushed(), "");
  ASSERT_EQ(run.play("SDR 8 TDI (00) TDO (00) MASK (ff); RUNTEST 1 TCK; STATE RESET IDLE;\n"
                     "ENDIR IRPAUSE; ENDDR DRPAUSE; TRST OFF;",
                     0),
            1);
  EXPECT_EQ(run.echo.flushed(), "earlier output\n");
  EXPECT_EQ(run.echo.text(), "earlier output\n") << "no echo without verbose";
}

}  // namespace
}  // namespace tapwright
