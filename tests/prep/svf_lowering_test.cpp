#include "prep/svf_lowering.hpp"

#include <gtest/gtest.h>

namespace tapwright::prep {
namespace {

using fullsvf::Diagnostic;
using fullsvf::parse_decimal;

LoweringResult lower(std::string_view text, const char* tck_hz = nullptr) {
  LoweringOptions options{"in.svf", std::nullopt};
  if (tck_hz) options.tck_hz = parse_decimal(tck_hz);
  return svf_lower(text, options);
}

// The lowered statements without the first (comment) line.
std::string body(const LoweringResult& r) {
  const auto eol = r.output.find('\n');
  return eol == std::string::npos ? r.output : r.output.substr(eol + 1);
}

// "LINE: message" per diagnostic, notes marked.
std::string problems(const LoweringResult& r) {
  std::string text;
  for (const Diagnostic& d : r.diagnostics) {
    text += std::to_string(d.line) + ": " + (d.note ? "note: " : "") + d.message + "\n";
  }
  return text;
}

struct Lowered {
  const char* name;
  const char* input;
  const char* output;
};

// Inputs that lower, and the statements they lower to.
const Lowered lowered_cases[] = {
    {"lexical forms",
     "sir 8 tdi(0f); ! comment\n// another\nsdr 16 TDI (12\n\t 34) ;STATE idle;ENDDR drpause;",
     "SIR 8 TDI (0F);\nSDR 16 TDI (1234);\nSTATE IDLE;\nENDDR DRPAUSE;\n"},
    {"TDI carries over at the same length", "SDR 8 TDI (A5);\nSDR 8;\nSIR 4 TDI (3);SIR 4 TDO (1);",
     "SDR 8 TDI (A5);\nSDR 8 TDI (A5);\nSIR 4 TDI (3);\nSIR 4 TDI (3) TDO (1) MASK (F);\n"},
    {"MASK carries over per kind and resets with the length",
     "SDR 8 TDI (0) TDO (11) MASK (0F);\nSIR 8 TDI (0) TDO (1) MASK (80);\nSDR 8 TDI (0) TDO "
     "(22);\n"
     "SDR 16 TDI (0) TDO (3333);",
     "SDR 8 TDI (00) TDO (11) MASK (0F);\nSIR 8 TDI (00) TDO (01) MASK (80);\n"
     "SDR 8 TDI (00) TDO (22) MASK (0F);\nSDR 16 TDI (0000) TDO (3333) MASK (FFFF);\n"},
    {"a MASK given without TDO is kept for later",
     "SDR 8 TDI (0) MASK (F0);SDR 8 TDI (0) TDO (FF);",
     "SDR 8 TDI (00);\nSDR 8 TDI (00) TDO (FF) MASK (F0);\n"},
    {"TDO belongs to its own scan", "SDR 8 TDI (0) TDO (FF);SDR 8;",
     "SDR 8 TDI (00) TDO (FF) MASK (FF);\nSDR 8 TDI (00);\n"},
    {"a TDO under an all-zero MASK compares nothing", "SDR 8 TDI (0) TDO (FF) MASK (00);",
     "SDR 8 TDI (00);\n"},
    {"values: zero-extended, extra zero digits allowed", "SDR 12 TDI (5);SDR 6 TDI (003F);",
     "SDR 12 TDI (005);\nSDR 6 TDI (3F);\n"},
    {"header and trailer around the scan",
     "HIR 2 TDI (3);\nTIR 3 TDI (5);\nSIR 4 TDI (A);\nSDR 4 TDI (A);",
     // shifted: 11, then 0101 (A from bit 0), then 101 -> 1 0110 1011 = 16B
     "SIR 9 TDI (16B);\nSDR 4 TDI (A);\n"},
    {"a trailer alone", "TDR 2 TDI (1);\nSDR 4 TDI (A);", "SDR 6 TDI (1A);\n"},
    {"a header with TDO compares its own bits", "HDR 4 TDI (0) TDO (5) MASK (F);\nSDR 4 TDI (1);",
     "SDR 8 TDI (10) TDO (05) MASK (0F);\n"},
    {"a header without TDO compares nothing",
     "HDR 4 TDI (F);\nTDR 1 TDI (1);\nSDR 4 TDI (1) TDO (2) MASK (3);",
     "SDR 9 TDI (11F) TDO (020) MASK (030);\n"},
    {"a scan of length 0", "SDR 0;", "SDR 0 TDI ();\n"},
    {"ENDIR, ENDDR and a STATE list are kept", "ENDIR IRPAUSE;ENDDR idle;STATE RESET IDLE;",
     "ENDIR IRPAUSE;\nENDDR IDLE;\nSTATE RESET IDLE;\n"},
    {"STATE path of tapwright's walk",
     "ENDIR IRPAUSE;\nSIR 8 TDI (ED);\nSTATE IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;",
     "ENDIR IRPAUSE;\nSIR 8 TDI (ED);\nSTATE DRPAUSE;\n"},
    {"STATE paths through RESET and through a stable state",
     "STATE DRSELECT IRSELECT RESET;\n"
     "STATE IDLE DRSELECT DRCAPTURE DREXIT1 DRPAUSE DREXIT2 DRUPDATE IDLE;",
     "STATE RESET;\nSTATE IDLE DRPAUSE IDLE;\n"},
    {"RUNTEST run state and end state IDLE", "RUNTEST IDLE 4 TCK ENDSTATE IDLE;",
     "RUNTEST 4 TCK;\n"},
    {"RUNTEST with TCK and SEC takes the larger",
     "RUNTEST IDLE 2 TCK 1.00E-002 SEC;RUNTEST 20000 TCK 1E-3 SEC;",
     "RUNTEST 10000 TCK;\nRUNTEST 20000 TCK;\n"},
    {"RUNTEST with SEC only", "RUNTEST 50021E-6 SEC;", "RUNTEST 50021 TCK;\n"},
    {"RUNTEST end state, remembered until a run state is named",
     "RUNTEST 100 TCK ENDSTATE DRPAUSE;\nRUNTEST 5 TCK;\nRUNTEST IDLE 6 TCK;",
     "RUNTEST 100 TCK;\nSTATE DRPAUSE;\nRUNTEST 5 TCK;\nSTATE DRPAUSE;\nRUNTEST 6 TCK;\n"},
    {"RUNTEST of no clocks in another state only moves",
     "RUNTEST DRPAUSE 0 TCK ENDSTATE IDLE;RUNTEST IDLE 0 TCK;",
     "STATE DRPAUSE;\nSTATE IDLE;\nSTATE IDLE;\n"},
    {"RUNTEST beyond int32 is split", "RUNTEST 3000000000 TCK;",
     "RUNTEST 2147483647 TCK;\nRUNTEST 852516353 TCK;\n"},
    {"TRST ON resets, the rest and FREQUENCY are dropped",
     "TRST ON;TRST OFF;TRST z;TRST ABSENT;FREQUENCY 1E6 HZ;FREQUENCY;", "STATE RESET;\n"},
};

TEST(SvfLowering, LowersEachForm) {
  for (const Lowered& c : lowered_cases) {
    SCOPED_TRACE(c.name);
    const LoweringResult r = lower(c.input);
    EXPECT_EQ(r.lowered, 1) << problems(r);
    EXPECT_EQ(body(r), c.output);
  }
}

struct Refused {
  const char* name;
  const char* input;
  const char* problems;
};

// Inputs that cannot be lowered, and every problem found in them.
const Refused refused_cases[] = {
    {"TDI missing after a length change", "SDR 8 TDI (1);\nSDR 16;",
     "2: SDR 16 has no TDI, and the earlier SDR had 8 bits, so its TDI does not carry over\n"},
    {"TDI missing on the first scan", "\nSIR 8 TDO (1);",
     "2: SIR 8 has no TDI, and no earlier SIR gives one to reuse\n"},
    {"bits beyond the length", "SDR 6 TDI (100)\n  TDO (40);",
     "1: SDR 6: TDI (100) has bits set beyond the 6-bit length\n"
     "1: SDR 6: TDO (40) has bits set beyond the 6-bit length\n"},
    {"not a hex digit", "SDR 8\nTDI (0\nG);",
     "3: 'G' in a value: only hex digits 0-9, A-F are allowed\n"},
    {"unclosed value", "SDR 8 TDI (00;\nSDR 8 TDI (1);",
     "1: value in parentheses has no closing ')' before ';'\n"},
    {"statement not ended", "SIR 8 TDI (00);\nSDR 8 TDI (00)",
     "2: SDR statement has no ';' before the end of the file\n"},
    {"unknown clause", "SDR 8 TDI (0) FOO (1);",
     "1: SDR has 'FOO' where TDI, TDO, MASK or SMASK belongs\n"
     "1: SDR has a value in parentheses with no TDI, TDO, MASK or SMASK before it\n"},
    {"bad length", "SIR x TDI (0);SIR 4294967296 TDI (0);",
     "1: SIR needs a length in bits from 0 to 2147483647 first, not 'x'\n"
     "1: SIR needs a length in bits from 0 to 2147483647 first, not '4294967296'\n"},
    {"STATE path that is not tapwright's walk",
     "ENDIR IRPAUSE;\nSIR 8 TDI (ED);\n"
     "STATE IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRUPDATE IDLE;\nSTATE DRSELECT;",
     "3: STATE path IRPAUSE IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRUPDATE IDLE is not the "
     "walk tapwright makes to IDLE (IRPAUSE IREXIT2 IRUPDATE IDLE)\n"
     "4: STATE path ends in DRSELECT, which is no stable state (IDLE, RESET, DRPAUSE, IRPAUSE)\n"},
    {"STATE paths whose steps are no transitions, or clocks in a state tapwright cannot give",
     "STATE DRPAUSE;\nSTATE RESET IDLE IRPAUSE;\nSTATE IDLE;STATE DRSHIFT DRPAUSE;\n"
     "STATE IDLE;STATE IDLE IDLE;",
     "2: STATE path DRPAUSE RESET IDLE IRPAUSE: IRPAUSE does not follow IDLE in the TAP state "
     "graph\n"
     "3: STATE path IDLE DRSHIFT DRPAUSE: DRSHIFT does not follow IDLE in the TAP state graph\n"
     "4: STATE path IDLE IDLE is not the walk tapwright makes to IDLE (IDLE)\n"},
    {"ENDDR with an unstable state", "ENDDR DRSHIFT;",
     "1: ENDDR needs one stable state: IDLE, RESET, DRPAUSE or IRPAUSE\n"},
    {"RUNTEST clocks outside IDLE",
     "RUNTEST DRPAUSE 20 TCK;\nRUNTEST 1E-3 SEC;\nRUNTEST IRPAUSE 0 TCK;\nRUNTEST RESET 0 TCK 1 "
     "SEC;",
     "1: RUNTEST clocks in DRPAUSE: tapwright gives run-test clocks only in IDLE\n"
     "2: RUNTEST clocks in DRPAUSE: tapwright gives run-test clocks only in IDLE\n"
     "4: RUNTEST clocks in RESET: tapwright gives run-test clocks only in IDLE\n"},
    {"RUNTEST in SCK", "RUNTEST 10 SCK;",
     "1: RUNTEST counts SCK clocks, which tapwright cannot give\n"},
    {"RUNTEST forms",
     "RUNTEST IDLE;\nRUNTEST 5 TCK 1 HZ;\nRUNTEST 5 TCK ENDSTATE DRSHIFT;\nRUNTEST 1 TCK X;\n"
     "RUNTEST 1 SEC MAXIMUM 2 TCK;",
     "1: RUNTEST gives neither a clock count (n TCK) nor a time (t SEC)\n"
     "2: RUNTEST has 'HZ' where the unit SEC of its minimum time belongs\n"
     "3: RUNTEST needs a stable state (IDLE, RESET, DRPAUSE, IRPAUSE) where it has 'DRSHIFT'\n"
     "4: RUNTEST has 'X' where nothing more belongs\n"
     "5: RUNTEST MAXIMUM needs a minimum time before it and 'max SEC' after it\n"},

    {"PIO and unknown statements", "PIOMAP (IN A);\nPIO (H);\nLOOP 3;",
     "1: PIOMAP cannot be lowered: tapwright drives no parallel I/O pins\n"
     "2: PIO cannot be lowered: tapwright drives no parallel I/O pins\n"
     "3: 'LOOP' is no SVF statement that tapwright-prep can lower\n"},
    {"scan over int32 with its header", "HDR 2 TDI (0);\nSDR 2147483647 TDI (0);",
     "2: SDR with its header and trailer is 2147483649 bits, over tapwright's 2147483647\n"},
};

TEST(SvfLowering, RefusesWithEveryProblemAndItsLine) {
  for (const Refused& c : refused_cases) {
    SCOPED_TRACE(c.name);
    const LoweringResult r = lower(c.input);
    EXPECT_EQ(r.lowered, 0);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(problems(r), c.problems);
  }
}

// No statement takes 64 words and values; those beyond are not kept.
TEST(SvfLowering, AStatementOfMoreWordsThanAnyTakes) {
  std::string words;
  for (int i = 0; i < 64; ++i) words += " ON";
  EXPECT_EQ(problems(lower("TRST" + words + ";\nTRST" + words + " ON;")),
            "1: TRST needs one of ON, OFF, Z, ABSENT\n2: TRST has 65 words and values, more than "
            "any SVF statement takes\n");
}

// The first line names the file as the file system has it, control
// characters shown as "?".
TEST(SvfLowering, FirstLineNamesTheFile) {
  EXPECT_EQ(svf_lower("SDR 0;", {"a\x01\x1f\x7f .svf", std::nullopt}).output.substr(0, 46),
            "// tapwright-prep: lowered from a??? .svf; SEC");
}

TEST(SvfLowering, MegabitValuesOverManyLines) {
  // 4 Mbit of TDI over lines of 64 digits, with a header that shifts every
  // digit by one bit.
  const std::size_t digits = 1 << 20;
  std::string text = "HDR 1 TDI (1);\nSDR " + std::to_string(digits * 4) + " TDI (";
  for (std::size_t i = 0; i < digits; ++i) {
    text += "8";
    if (i % 64 == 63) text += "\n";
  }
  text += ");\n";
  const LoweringResult r = lower(text);
  ASSERT_EQ(r.lowered, 1) << problems(r);
  // 1000...(x4) << 1 | 1 over 4 Mbit + 1: a leading 1, then "1" digits, the last 1 from the header.
  const std::string expected =
      "SDR " + std::to_string(digits * 4 + 1) + " TDI (1" + std::string(digits - 1, '1') + "1);\n";
  EXPECT_EQ(body(r), expected);
}

}  // namespace
}  // namespace tapwright::prep
