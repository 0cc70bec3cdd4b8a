// Where tapwright departs from plain SVF to refuse what it cannot play
// faithfully: bad digits, missing TDI, non-zero headers and trailers, glued
// clause keywords; and where it has no limits: long values and scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>

#include "jtag/shift_vector.hpp"

#include "svf_run_harness.hpp"

namespace tapwright {
namespace {

using testing::Cycles;
using testing::InterpreterRun;
using testing::shifted_bits;

struct RefusedCase {
  const char* name;
  const char* svf;
  const char* walk_tms;  // the cycles clocked before the statement failed
};

// Each statement fails before its echo and before any of its bits; only the
// walk to the shift state, made before the clauses are read, is clocked.
void check_refused(const std::vector<RefusedCase>& cases) {
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    InterpreterRun run;
    EXPECT_EQ(run.play(c.svf), 0);
    EXPECT_EQ(run.echo.text(), "");
    const Cycles cycles = run.cycles();
    EXPECT_EQ(cycles.tms, c.walk_tms);
    EXPECT_EQ(cycles.tdi, std::string(cycles.tms.size(), '0'));
  }
}

TEST(SvfMends, ValuesMustBeHexDigits) {
  check_refused({
      {"letter beyond f in TDI", "SDR 8 TDI (g5);", "100"},
      {"x in TDO", "SDR 8 TDI (a5) TDO (0x) MASK (ff);", "100"},
      {"dot in SMASK", "SDR 8 TDI (a5) SMASK (f.);", "100"},
      {"blank-separated digits join, the bad one still fails", "SIR 8 TDI (5 z);", "1100"},
  });
}

TEST(SvfMends, ScanOfOneBitOrMoreNeedsTdi) {
  check_refused({
      {"no clauses", "SDR 8;", "100"},
      {"TDO and MASK but no TDI", "SDR 8 TDO (00) MASK (ff);", "100"},
      {"empty TDI", "SDR 8 TDI ();", "100"},
  });
}

TEST(SvfMends, TdiIsNotCarriedOver) {
  InterpreterRun run;
  EXPECT_EQ(run.play("SIR 4 TDI (5); SIR 4 TDO (0);"), 0);
  EXPECT_EQ(run.echo.text(), "SIR 4 TDI 5 SMASK  TDO 0 MASK 0\n");
  EXPECT_EQ(run.cycles().tms,
            "1100"
            "0001"
            "10"
            "1100");
}

TEST(SvfMends, ClauseKeywordGluedToItsValue) {
  check_refused({
      {"TDI(", "SDR 8 TDI(a5);", "100"},
      {"TDO(", "SDR 8 TDI (a5) TDO(5a);", "100"},
      {"MASK(", "SDR 8 TDI (a5) TDO (5a) MASK(ff);", "100"},
      {"SMASK(", "SDR 8 TDI (a5) SMASK(ff);", "100"},
  });
}

TEST(SvfMends, OtherUnknownClauseWordsArePassedOver) {
  for (const char* svf : {"SDR 8 TDI (a5) TDIX (00);", "SDR 8 TDI (a5) XTDO(00);",
                          "SDR 8 TDI (a5) mask(00);", "SDR 8 TDI (a5) (TDO(00));"}) {
    SCOPED_TRACE(svf);
    InterpreterRun run;
    EXPECT_EQ(run.play(svf, 0), 1);
    EXPECT_EQ(run.cycles().tdi,
              "000"
              "10100101"
              "00");
  }
}

struct HeaderCase {
  const char* svf;
  int result;
};

TEST(SvfMends, HeadersAndTrailersOfNonZeroLengthFail) {
  const std::vector<HeaderCase> cases = {
      {"HIR 8 TDI (00);", 0}, {"TDR -2;", 0},        {"HIR 08;", 0}, {"TIR 1E0;", 0},
      {"HIR 0;", 1},          {"TIR 00 TDI ();", 1}, {"HDR;", 1},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.svf);
    InterpreterRun run;
    const std::string svf = std::string(c.svf) + "\nSIR 4 TDI (5);";
    EXPECT_EQ(run.play(svf), c.result);
    // A failing header stops the run before the SIR; a skipped one lets it play.
    EXPECT_EQ(run.cycles().tms, c.result ? "1100000110" : "");
  }
}

TEST(SvfMends, HeaderCutOffByTheEndOfTheInputIsSkipped) {
  for (const char* svf : {"HDR", "HIR 0", "TDR 0 TDI (00)", "TIR\n"}) {
    SCOPED_TRACE(svf);
    InterpreterRun run;
    EXPECT_EQ(run.play(svf), 1);
  }
}

struct ZeroLengthCase {
  const char* name;
  const char* svf;
  const char* tms;
  TapState end;
};

// A scan of no bit leaves the controller in the shift state, so the walk to
// the end state starts there (from Exit1 it would be one step shorter).
TEST(SvfMends, ZeroLengthScanStaysInTheShiftState) {
  const std::vector<ZeroLengthCase> cases = {
      {"SDR 0 to Idle", "SDR 0 TDI ();", "100 110", TapState::run_test_idle},
      {"SDR 0 with TDO and MASK", "SDR 0 TDO (1) MASK (1);", "100 110", TapState::run_test_idle},
      {"SDR 0 to Pause-DR", "ENDDR DRPAUSE; SDR 0 TDI ();", "100 10", TapState::pause_dr},
      {"SIR 0 to Pause-IR", "ENDIR IRPAUSE; SIR 0 TDI ();", "1100 10", TapState::pause_ir},
  };
  for (const ZeroLengthCase& c : cases) {
    SCOPED_TRACE(c.name);
    InterpreterRun run;
    EXPECT_EQ(run.play(c.svf, 0), 1);
    std::string tms = c.tms;
    tms.erase(std::remove(tms.begin(), tms.end(), ' '), tms.end());
    EXPECT_EQ(run.cycles().tms, tms);
    EXPECT_EQ(run.state, c.end);
  }
}

// A value of `digits` characters cycling through every hex digit, both cases.
std::string long_value(std::size_t digits) {
  static constexpr std::string_view alphabet = "0123456789abcdefABCDEF";
  std::string value;
  for (std::size_t i = 0; i < digits; ++i) value.push_back(alphabet[(i * 7) % alphabet.size()]);
  return value;
}

TEST(SvfMends, LongValuesAcrossBlocks) {
  const std::string tdi = long_value(1000);  // 4000 bits, past one 2048-cycle block
  const std::string mask(1000, 'f');
  // The expected TDO is the TDI looped back, written in upper case, with the
  // first digit shifted changed.
  std::string tdo = tdi;
  std::transform(tdo.begin(), tdo.end(), tdo.begin(),
                 [](char c) { return static_cast<char>(std::toupper(c)); });
  tdo.back() = tdo.back() == '7' ? '8' : '7';
  const int flipped = std::popcount(hex_digit_value(tdi.back()) ^ hex_digit_value(tdo.back()));
  const std::string svf = "SDR 4000 TDI (" + tdi + ") TDO (" + tdo + ") MASK (" + mask + ");";

  InterpreterRun run;
  testing::reply_tdo_loopback(run.device);
  ASSERT_EQ(run.play(svf, 1, 1), 1);
  EXPECT_EQ(run.cycles().tdi, "000" + shifted_bits(tdi, 4000) + "00");
  EXPECT_EQ(run.echo.text(), "SDR 4000 TDI " + tdi + " SMASK  TDO " + tdo + " MASK " + mask + "\n");
  ASSERT_GT(flipped, 0);
  EXPECT_EQ(run.drain_mismatches(), flipped);
}

TEST(SvfMends, ScanWithoutTdoOfAnyLength) {
  InterpreterRun run;
  testing::reply_tdo_high(run.device);
  ASSERT_EQ(run.play("SDR 5000 TDI (1);", 1, 1), 1);
  const std::string zeros(1250, '0');
  EXPECT_EQ(run.echo.text(), "SDR 5000 TDI 1 SMASK  TDO " + zeros + " MASK " + zeros + "\n");
  const Cycles cycles = run.cycles();
  EXPECT_EQ(cycles.tdi,
            "000"
            "1" +
                std::string(4999, '0') + "00");
  EXPECT_EQ(cycles.tms, "100" + std::string(4999, '0') +
                            "1"
                            "10");
  EXPECT_EQ(run.drain_mismatches(), 0);
}

TEST(SvfMends, ValuesSplitOverLines) {
  const std::string digits = long_value(600);
  std::string wrapped;  // 600 digits in lines of 64, as tools write bitstreams
  for (std::size_t i = 0; i < digits.size(); i += 64) wrapped += digits.substr(i, 64) + "\r\n\t";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"SDR 16 TDI (12\n34) TDO (00\r\n00) MASK (ff\n  ff);",
       "SDR 16 TDI 1234 SMASK  TDO 0000 MASK ffff\n"},
      {"SDR 2400 TDI (" + wrapped + ");", "SDR 2400 TDI " + digits + " SMASK  TDO " +
                                              std::string(600, '0') + " MASK " +
                                              std::string(600, '0') + "\n"},
  };
  for (const auto& [svf, echo] : cases) {
    SCOPED_TRACE(svf);
    InterpreterRun run;
    EXPECT_EQ(run.play(svf), 1);
    EXPECT_EQ(run.echo.text(), echo);
  }
}

}  // namespace
}  // namespace tapwright
