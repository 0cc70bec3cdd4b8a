// The statements svf_run plays, seen from the pins: the TMS and TDI of every
// cycle, the state left behind, and what a compare run counts.
#include "svf/svf_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "svf/svf_decimal.hpp"
#include "svf_run_harness.hpp"

namespace tapwright {
namespace {

using testing::Cycles;
using testing::InterpreterRun;

// "1100 0001" -> "11000001": blanks only group the cycles for the reader.
std::string bits(std::string_view grouped) {
  std::string out(grouped);
  out.erase(std::remove(out.begin(), out.end(), ' '), out.end());
  return out;
}

struct PlayCase {
  const char* name;
  const char* svf;
  int result;
  const char* tms;  // every cycle from Run-Test/Idle, grouped by step
  const char* tdi;
  TapState end;
};

void check_cases(const std::vector<PlayCase>& cases) {
  for (const PlayCase& c : cases) {
    SCOPED_TRACE(c.name);
    InterpreterRun run;
    EXPECT_EQ(run.play(c.svf, 0), c.result);
    const Cycles cycles = run.cycles();
    EXPECT_EQ(cycles.tms, bits(c.tms));
    EXPECT_EQ(cycles.tdi, bits(c.tdi));
    EXPECT_EQ(run.state, c.end);
  }
}

constexpr TapState idle = TapState::run_test_idle;

TEST(SvfRunStatements, ScansWalkShiftAndWalkOn) {
  check_cases({
      {"SIR", "SIR 4 TDI (5);", 1, "1100 0001 10", "0000 1010 00", idle},
      {"SDR", "SDR 8 TDI (a5);", 1, "100 00000001 10", "000 10100101 00", idle},
      {"length no multiple of 4", "SDR 6 TDI (FF);", 1, "100 000001 10", "000 111111 00", idle},
      {"longer value than the length", "SDR 4 TDI (ABC);", 1, "100 0001 10", "000 0011 00", idle},
      {"unknown clause words and their values are passed over", "SDR 8 FOO (12) TDI (a5) BAR;", 1,
       "100 00000001 10", "000 10100101 00", idle},
      {"TDI given twice: the later one", "SDR 8 TDI (11) TDI (a5);", 1, "100 00000001 10",
       "000 10100101 00", idle},
      {"two statements on one line", "SIR 4 TDI (5);SIR 4 TDI (5);", 1, "1100 0001 10 1100 0001 10",
       "0000 1010 00 0000 1010 00", idle},
  });
}

TEST(SvfRunStatements, EndStates) {
  check_cases({
      {"ENDIR IRPAUSE ends the next SIR in Pause-IR", "ENDIR IRPAUSE; SIR 4 TDI (5);", 1,
       "1100 0001 0", "0000 1010 0", TapState::pause_ir},
      {"from Pause-IR the next SIR goes through Exit2-IR",
       "ENDIR IRPAUSE; SIR 4 TDI (5); SIR 4 TDI (5);", 1, "1100 0001 0 10 0001 0",
       "0000 1010 0 00 1010 0", TapState::pause_ir},
      {"ENDDR DRPAUSE", "ENDDR DRPAUSE; SDR 4 TDI (5);", 1, "100 0001 0", "000 1010 0",
       TapState::pause_dr},
      {"ENDDR RESET", "ENDDR RESET; SDR 1 TDI (1);", 1, "100 1 1111", "000 1 0000",
       TapState::test_logic_reset},
      {"ENDIR does not move the controller", "ENDIR DRPAUSE; ENDDR IRPAUSE;", 1, "", "", idle},
      {"a failing ENDDR clocks nothing", "ENDDR SHIFTDR; SDR 4 TDI (5);", 0, "", "", idle},
  });
}

TEST(SvfRunStatements, RuntestAndState) {
  check_cases({
      {"RUNTEST in Idle: no walk", "RUNTEST 5 TCK;", 1, "00000", "00000", idle},
      {"RUNTEST walks to Idle first", "STATE DRPAUSE; RUNTEST 3 TCK;", 1, "1010 110 000",
       "0000 000 000", idle},
      {"RUNTEST 0: the walk only", "STATE DRPAUSE; RUNTEST 0 TCK;", 1, "1010 110", "0000 000",
       idle},
      {"run state before the count fails after the walk", "STATE DRPAUSE; RUNTEST IDLE 9 TCK;", 0,
       "1010 110", "0000 000", idle},
      {"end state after TCK fails after the clocks", "RUNTEST 4 TCK ENDSTATE IDLE;", 0, "0000",
       "0000", idle},
      {"a time in seconds fails", "RUNTEST 4 SEC;", 0, "", "", idle},
      {"STATE RESET IDLE: two walks", "STATE RESET IDLE;", 1, "111 0", "000 0", idle},
      {"STATE RESET", "STATE RESET;", 1, "111", "000", TapState::test_logic_reset},
      {"STATE stops at a word that names no state", "STATE DRPAUSE BOGUS IDLE;", 0, "1010", "0000",
       TapState::pause_dr},
      {"STATE with a lower-case name", "STATE idle;", 0, "", "", idle},
  });
}

TEST(SvfRunStatements, SkippedStatementsAndEmptyInput) {
  check_cases({
      {"empty file", "", 1, "", "", idle},
      {"blanks and comments only", "  // one\n\t// two\r\n// last, no line end", 1, "", "", idle},
      {"skipped statements with arguments",
       "TRST OFF; FREQUENCY 1E6 HZ; HIR 0; TIR 0 TDI (); HDR 0; TDR;\nSIR 4 TDI (5);", 1,
       "1100 0001 10", "0000 1010 00", idle},
      {"file ending inside TRST", "TRST", 1, "", "", idle},
      {"statement cut off at the end of the input", "SDR 8 TDI (a5)", 0, "100", "000",
       TapState::shift_dr},
      {"the length's statement end is not consulted", "SDR 0;", 0, "100", "000",
       TapState::shift_dr},
  });
}

TEST(SvfRunStatements, FirstUnplayableStatementEndsTheRun) {
  check_cases({
      {"lower-case command", "sir 4 TDI (5);", 0, "", "", idle},
      {"unsupported SVF statement", "PIO (HLUD);", 0, "", "", idle},
      {"a line starting with !", "! a note\nSIR 4 TDI (5);", 0, "", "", idle},
      {"nothing after the failure is played", "SIR 4 TDI (5); BOGUS; SIR 4 TDI (5);", 0,
       "1100 0001 10", "0000 1010 00", idle},
  });
}

TEST(SvfRunStatements, WalkFailureEndsTheRun) {
  InterpreterRun run;
  run.device.write_counts = {0};
  // 2046 Idle clocks leave room for two cycles: the walk to Shift-DR fills
  // the block on its second step, and that write fails.
  EXPECT_EQ(run.play("RUNTEST 2046 TCK; SDR 4 TDI (5);", 0), 0);
  EXPECT_EQ(run.state, TapState::select_dr_scan);
  EXPECT_EQ(run.device.write_sizes, std::vector<std::uint32_t>{4096});
}

// Compare mode over a device whose TDO is always low unless said otherwise:
// every compared bit expected high is a mismatch.
struct CompareCase {
  const char* name;
  const char* svf;
  bool tdo_high;
  std::int64_t mismatches;
};

TEST(SvfRunCompare, MasksAndZeroFill) {
  const std::vector<CompareCase> cases = {
      {"TDO under MASK", "SDR 8 TDI (00) TDO (ff) MASK (0f);", false, 4},
      {"MASK stays for the next SDR", "SDR 8 TDI (00) TDO (00) MASK (0f); SDR 8 TDI (00) TDO (ff);",
       false, 4},
      {"a SIR's MASK does not touch SDR",
       "SDR 8 TDI (00) TDO (00) MASK (0f); SIR 4 TDI (0) TDO (0) MASK (0); SDR 8 TDI (00) TDO "
       "(ff);",
       false, 4},
      {"a SDR's MASK does not touch SIR",
       "SIR 4 TDI (0) TDO (0) MASK (1); SDR 8 TDI (00) TDO (00) MASK (00); SIR 4 TDI (0) TDO (f);",
       false, 1},
      {"a scan without TDO stores its MASK", "SDR 8 TDI (00) MASK (03); SDR 8 TDI (00) TDO (ff);",
       false, 2},
      {"no MASK given yet: every bit is compared", "SDR 8 TDI (00) TDO (ff);", false, 8},
      {"SMASK takes no part", "SDR 8 TDI (00) TDO (ff) MASK (0f) SMASK (00);", false, 4},
      {"no TDO: nothing compared", "SDR 8 TDI (00) MASK (ff);", true, 0},
      {"TDO () is no TDO", "SDR 8 TDI (00) TDO () MASK (ff);", true, 0},
      {"no TDO over 1020 bits", "SDR 1200 TDI (0) MASK (ff);", true, 0},
  };
  for (const CompareCase& c : cases) {
    SCOPED_TRACE(c.name);
    InterpreterRun run;
    if (c.tdo_high) testing::reply_tdo_high(run.device);
    ASSERT_EQ(run.play(c.svf, 0, 1), 1);
    EXPECT_EQ(run.drain_mismatches(), c.mismatches);
  }
}

TEST(SvfDecimal, ReadsLeadingDigitsAndClamps) {
  const std::vector<std::pair<const char*, std::int32_t>> cases = {
      {"0", 0},
      {"12", 12},
      {"-3", -3},
      {"1E3", 1},
      {"8.5", 8},
      {"TCK", 0},
      {"2147483648", INT32_MAX},
      {"-2147483649", INT32_MIN},
  };
  for (const auto& [word, value] : cases) EXPECT_EQ(svf_decimal(word), value) << word;
}

}  // namespace
}  // namespace tapwright
