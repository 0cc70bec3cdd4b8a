// Tiny SVF files played by the player with -c, once with -v and once
// without, over a cable whose TDO follows TDI: the exit status, the echo
// and summary, the message, and the TMS of every cycle between the reset
// and the final drain, which shows every walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "driver/played.hpp"
#include "svf/svf_decimal.hpp"
#include "svf/svf_run.hpp"

namespace tapwright::testing {
namespace {

struct FileCase {
  std::string svf;
  std::string echo;  // standard output of -v before the summary
  std::string tms;   // blanks only group the cycles for the reader
  int mismatches;    // -1: the run ends with "parse error"
};

std::string summary(int mismatches) {
  if (mismatches == 0) return "\n   <<< All TDO outputs matched to the expected values! >>>\n\n";
  return "\n   <<< " + std::to_string(mismatches) +
         " TDO outputs didn't match to the expected values... >>>\n\n";
}

const std::string sir5 = "SIR 4 TDI 5 SMASK  TDO 0 MASK 0\n";  // the echo of SIR 4 TDI (5)

void check(const FileCase& c) {
  SCOPED_TRACE(c.svf);
  std::string tms = c.tms;
  tms.erase(std::remove(tms.begin(), tms.end(), ' '), tms.end());
  const bool failed = c.mismatches < 0;
  for (bool verbose : {true, false}) {
    ScriptedDevice device;
    const Played p = play(device, c.svf, verbose ? "-c -v FILE" : "-c -c FILE");
    EXPECT_EQ(p.status, failed ? 1 : c.mismatches ? 2 : 0);
    EXPECT_EQ(p.err_flushed, failed ? "parse error\n" : "");
    EXPECT_EQ(p.out, (verbose ? c.echo : "") + (failed ? "" : summary(c.mismatches)));
    EXPECT_EQ(p.tms, failed ? "" : "111110" + tms + "0");
    // What came before a RUNTEST is on the screen while it waits.
    const std::size_t wait = verbose ? c.echo.rfind(" TCK\n") : std::string::npos;
    EXPECT_EQ(p.out_flushed, wait == std::string::npos ? "" : c.echo.substr(0, wait + 5));
  }
}

TEST(SvfFiles, ThatPlay) {
  const FileCase cases[] = {
      // comments, CR/LF/tab blanks, many ; as one end, a file ending in a comment
      {"// c; SIR\r\nSIR\t4 TDI (5) ;\n ;; \r\n;// after\nSIR 4 TDI (5);// last", sir5 + sir5,
       "1100 0001 10 1100 0001 10", 0},
      // a lone / and a word with ) in it are clause words, passed over with their values
      {"SDR 4 / TDI (5) TDO) (f);", "SDR 4 TDI 5 SMASK  TDO 0 MASK 0\n", "100 0001 10", 0},
      // values wrap over lines, blanks and comments; what follows ) is dropped; A-F read as a-f
      {"SDR 16 TDI (9a // c\nF0)xy TDO (9A\r\nf0) MASK ( Ff\tfF );",
       "SDR 16 TDI 9aF0 SMASK  TDO 9Af0 MASK FffF\n", "100 0000000000000001 10", 0},
      // the file ends inside a skipped statement, right after a word
      {"TRST OFF;\r\nHDR 0", "", "", 0},
      {"", "", "", 0},
      // length no multiple of 4, value longer than it, TDO zero-filled to whole digits
      {"SDR 5 TDI (3F);", "SDR 5 TDI 3F SMASK  TDO 00 MASK 00\n", "100 00001 10", 0},
      // unknown clause words and their values are passed over; the later TDI wins
      {"SDR 9 FOO (12) TDI (11) TDI (1a5) mask(00) XTDO(0) BAR;",
       "SDR 9 TDI 1a5 SMASK  TDO 000 MASK 000\n", "100 000000001 10", 0},
      // clauses in any order, echoed in the echo's; TDO compared under MASK
      {"SDR 8 TDO (5a) MASK (f0) SMASK (0f) TDI (a5);", "SDR 8 TDI a5 SMASK 0f TDO 5a MASK f0\n",
       "100 00000001 10", 4},
      // MASK and SMASK stay per kind, also when given without TDO
      {"SDR 8 TDI (00) MASK (03) SMASK (1);\nSIR 4 TDI (0) TDO (0) MASK (0);\nSDR 8 TDI (00) TDO "
       "(ff);",
       "SDR 8 TDI 00 SMASK 1 TDO 00 MASK 00\nSIR 4 TDI 0 SMASK  TDO 0 MASK 0\n"
       "SDR 8 TDI 00 SMASK 1 TDO ff MASK 03\n",
       "100 00000001 10 1100 0001 10 100 00000001 10", 2},
      // no MASK given yet: every bit is compared
      {"SDR 8 TDI (0f) TDO (ff);", "SDR 8 TDI 0f SMASK  TDO ff MASK \n", "100 00000001 10", 4},
      // TDO () is no TDO
      {"SDR 8 TDI (a5) TDO () MASK (ff);", "SDR 8 TDI a5 SMASK  TDO 00 MASK 00\n",
       "100 00000001 10", 0},
      // a scan of no bit stays in the shift state
      {"SDR 0 TDO (1) MASK (1); ENDIR IRPAUSE; SIR 0 TDI ();",
       "SDR 0 TDI  SMASK  TDO 1 MASK 1\nENDIR IRPAUSE\nSIR 0 TDI  SMASK  TDO  MASK \n",
       "100 110 1100 10", 0},
      // leading zeros; skipped: TRST, FREQUENCY, headers and trailers of length 0
      {"HIR 000; TIR 00 TDI (); HDR; TDR 0; FREQUENCY 1E6 HZ; FREQUENCY; TRST OFF;\n"
       "RUNTEST 010 TCK; SDR 0008 TDI (a5);",
       "RUNTEST 10 TCK\nSDR 8 TDI a5 SMASK  TDO 00 MASK 00\n", "0000000000 100 00000001 10", 0},
      // RUNTEST walks to Run-Test/Idle first, then clocks there
      {"STATE DRPAUSE; RUNTEST 3 TCK; STATE DRPAUSE; RUNTEST 0 TCK;",
       "STATE DRPAUSE \nRUNTEST 3 TCK\nSTATE DRPAUSE \nRUNTEST 0 TCK\n", "1010 110 000 1010 110",
       0},
      {"STATE RESET IDLE;", "STATE RESET IDLE \n", "111 0", 0},
      // ENDIR and ENDDR: where later scans end, and where the next one starts from
      {"ENDIR IRPAUSE; SIR 4 TDI (5); SIR 4 TDI (5); ENDDR RESET; SDR 1 TDI (1);",
       "ENDIR IRPAUSE\n" + sir5 + sir5 + "ENDDR RESET\nSDR 1 TDI 1 SMASK  TDO 0 MASK 0\n",
       "1100 0001 0 10 0001 0 11100 1 1111", 0},
  };
  for (const FileCase& c : cases) check(c);
}

TEST(SvfFiles, ThatFail) {
  const FileCase cases[] = {
      // a scan of a bit or more names its own TDI, which is not carried over
      {"SIR 4 TDI (5);\nSIR 4 TDO (0) MASK (f);", sir5, "", -1},
      // the count after TCK is read as the next command
      {"RUNTEST 4 TCK ENDSTATE IDLE;", "RUNTEST 4 TCK\n", "", -1},
      // STATE stops at a word that names no state, its line unfinished
      {"STATE DRPAUSE idle;", "STATE DRPAUSE ", "", -1},
      // an end state is echoed before it is checked
      {"ENDDR SHIFT;", "ENDDR SHIFT\n", "", -1},
      // nothing after the first statement that cannot be played
      {"SIR 4 TDI (5); ! note\nSIR 4 TDI (5);", sir5, "", -1},
  };
  for (const FileCase& c : cases) check(c);
  // Each ends the run before a word of echo: a ; where a statement begins
  // (an empty command), // inside a word, the word after a clause keyword
  // consumed though it is no value, a statement end or the end of the file
  // inside a value, the / of a later word of a value, digits past f and 9,
  // no or an empty TDI, a clause against its value, the file ending inside a
  // scan.
  for (const char* svf :
       {" ;SIR 4 TDI (5);", "RUNTEST 1 TCK// c;", "SDR 4 TDO /TDI (5);", "SDR 4 TDI /(5);",
        "SDR 8 TDI (00; ff);", "SDR 8 TDI (00 ff", "SDR 8 TDI (a /5);", "SDR 8 TDI (g5);",
        "SDR 8 TDI (a5) TDO (:0);", "SDR 8 TDO (00);", "SDR 8 TDI ();", "SDR 8 TDI (a5) TDO(5a);",
        "SDR 8 TDI (a5)"}) {
    check({svf, "", "", -1});
  }
  // Numbers that are no whole word of decimal digits up to 2147483647,
  // headers and trailers of non-zero length, RUNTEST other than n TCK,
  // commands in lower case, beginning with a lone /, or outside the subset.
  for (const char* svf :
       {"RUNTEST 1E6", "RUNTEST -5 TCK;", "SDR 2147483648 TDI (0);", "SIR 0x8", "HIR 8 TDI (00);",
        "HIR 0x0;", "TIR 1;", "HDR 2;", "TDR 08;", "RUNTEST IDLE 9 TCK;", "RUNTEST 4 SEC;",
        "sir 4 TDI (5);", "/SIR 4 TDI (5);", "PIO (HLUD);"}) {
    check({svf, "", "", -1});
  }
}

// The file is read in blocks: a statement at every offset across a block
// boundary plays the same.
TEST(SvfFiles, AcrossEveryReadBoundary) {
  const std::string svf = "SDR 8 TDI (a\n 5) / TDO (5a)x MASK (f0); // c\nSIR 4 TDI (5);";
  const std::string out = "SDR 8 TDI a5 SMASK  TDO 5a MASK f0\n" + sir5 + summary(4);
  const std::size_t block = SvfTokenizer::buffer_bytes;
  for (std::size_t pad = block - svf.size() - 1; pad <= block + 1; ++pad) {
    ScriptedDevice device;
    EXPECT_EQ(play(device, std::string(pad, ' ') + svf, "-c -v FILE").out, out) << pad;
  }
}

// A file that cannot be read to its end was not played to its end, and a
// word cut off by the failure is not played either.
TEST(SvfFiles, AReadErrorIsNoEndOfFile) {
  cookie_io_functions_t calls{};
  calls.read = [](void* cookie, char* buffer, std::size_t size) -> ssize_t {
    std::string_view& rest = *static_cast<std::string_view*>(cookie);
    const std::size_t n = rest.copy(buffer, size);
    rest.remove_prefix(n);
    errno = EIO;
    return n ? static_cast<ssize_t>(n) : -1;
  };
  for (auto [text, echo] : {std::pair{"SIR 4 TDI (5);\n", sir5.c_str()},
                            {"RUNTEST 1 TCK", ""},
                            {"SDR 8 TDI (a5", ""}}) {
    std::string_view rest = text;
    std::FILE* file = fopencookie(&rest, "rb", calls);
    ScriptedDevice device;
    ClockStream stream(device);
    TapState state = TapState::run_test_idle;
    SvfMasks masks;
    SvfTokenizer tokenizer(file);
    CapturedStream out;
    EXPECT_EQ(svf_run(tokenizer, stream, scripted_handle(), 1, state, 0, masks, out.file()), 0);
    EXPECT_EQ(out.text(), echo) << text;
    std::fclose(file);
  }
}

TEST(SvfFiles, TheLargestNumber) {
  std::int32_t value = 0;
  EXPECT_TRUE(svf_decimal("2147483647", value) == 1 && value == 2147483647) << value;
}

}  // namespace
}  // namespace tapwright::testing
