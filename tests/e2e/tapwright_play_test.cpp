// tapwright-play as a user runs it: byte for byte what tapwright plays for
// the same file lowered by tapwright-prep; every file of the corpus to its
// end; every refusal with its line, before anything is opened; Ctrl-C.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

namespace fs = std::filesystem;

const std::string play = TAPWRIGHT_PLAY_PATH;
const std::string prep = TAPWRIGHT_PREP_PATH;
const std::string sim = TAPWRIGHT_SIM_PATH;
const fs::path corpus = TAPWRIGHT_CORPUS_DIR;

// One device whose instruction register is as long as the file's first SIR.
std::string chain_for(const std::string& svf) {
  std::smatch m;
  const std::regex first_sir(R"(\b[sS][iI][rR]\s+(\d+))");
  if (!std::regex_search(svf, m, first_sir)) return "none";
  return m[1].str() + ":0x00000001";
}

bool waits_in_seconds(const std::string& svf) {
  return std::regex_search(svf, std::regex(R"(RUNTEST[^;!]*\sSEC\b)", std::regex::icase));
}

std::vector<std::string> svf_files() {
  std::vector<std::string> paths;
  for (const fs::path& dir : {fs::path(TAPWRIGHT_EXAMPLES_DIR), corpus}) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      if (entry.path().extension() == ".svf") paths.push_back(entry.path().string());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

class EveryFile : public ::testing::TestWithParam<std::string> {};

// Files that tapwright-prep lowers and that give no wait in seconds play the
// same bytes through either program: with -c, so that tapwright-play's read
// back before every SIR is crossed too.
TEST_P(EveryFile, PlaysWhatTapwrightPlaysOfTheLoweredFile) {
  const std::string svf = read_file(GetParam());
  const std::string dir = scratch_dir("agree");
  const ProgramRun lowered = run_program(prep, {"-o", dir + "/lowered.svf", GetParam()});
  if (lowered.status != 0 || waits_in_seconds(svf)) {
    GTEST_SKIP() << "not lowered, or waits in seconds: " << lowered.err.substr(0, 200);
  }
  const std::string chain = chain_for(svf);
  const ProgramRun a = run_program(play, {"--sim=" + chain, "--capture-out", dir + "/play.bin",
                                          "-c", "--keep-going", GetParam()});
  const ProgramRun b = run_program(
      sim, {"--chain", chain, "--capture-out", dir + "/sim.bin", dir + "/lowered.svf", "-c"});
  EXPECT_EQ(a.status, b.status) << a.err << b.err;
  const std::string played = read_file(dir + "/play.bin");
  EXPECT_GT(played.size(), 12u);
  EXPECT_TRUE(played == read_file(dir + "/sim.bin")) << "the two captures differ";
}

// Every file plays to its end (its TDO may differ on a chain that is not
// its device), the CoolRunner-II files with their paths through Capture-DR
// and their clocks in Pause-DR included. Its waits are timed, not slept.
TEST_P(EveryFile, PlaysToItsEnd) {
  const ProgramRun run = run_program(play, {"--sim=" + chain_for(read_file(GetParam())),
                                            "--no-wait", "-c", "--keep-going", GetParam()});
  EXPECT_TRUE(run.status == 0 || run.status == 2) << run.status << "\n" << run.err;
  EXPECT_EQ(run.err.find("problem"), std::string::npos) << run.err;
}

// Lines that only say at what rate a cable clocks, which differs by cable.
std::string without_rate_lines(const std::string& text) {
  std::string kept;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start + 1);
    if (line.find(": cable ") == std::string::npos && line.find("FREQUENCY") == std::string::npos) {
      kept += line;
    }
  }
  return kept + text.substr(start);
}

// The chain is clocked alike through bit-bang and MPSSE: the same (TMS,
// TDI) at every rising TCK, the same echo, messages and exit status, with
// and without -c (a file whose TDO differs included).
TEST_P(EveryFile, PlaysTheSameThroughBitBangAndMpsse) {
  const std::string chain = chain_for(read_file(GetParam()));
  const std::string dir = scratch_dir("encodings");
  for (const bool compare : {false, true}) {
    std::string expected_clocks;
    ProgramRun expected;
    for (const char* cable : {"tapwright", "ft2232h", "ft2232d"}) {
      if (!compare && cable == std::string("ft2232d")) continue;
      SCOPED_TRACE(std::string(cable) + (compare ? " -c" : ""));
      std::vector<std::string> args = {"--sim=" + chain,   "--cable",      cable, "--no-wait", "-v",
                                       "--capture-clocks", dir + "/clocks"};
      if (compare) args.insert(args.end(), {"-c", "--keep-going"});
      args.push_back(GetParam());
      ProgramRun run = run_program(play, args);
      run.out = without_rate_lines(run.out);
      const std::string clocks = read_file(dir + "/clocks");
      if (expected_clocks.empty()) {
        ASSERT_FALSE(clocks.empty());
        expected_clocks = clocks;
        expected = run;
        continue;
      }
      EXPECT_TRUE(clocks == expected_clocks) << "the chain was clocked otherwise";
      EXPECT_EQ(run.status, expected.status);
      EXPECT_TRUE(run.out == expected.out) << run.out.size() << " bytes, " << expected.out.size();
      EXPECT_EQ(run.err, expected.err);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, EveryFile, ::testing::ValuesIn(svf_files()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = fs::path(info.param).stem().string();
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(PlayProgram, RefusesWithTheLineAndPlaysNothing) {
  struct Case {
    std::string svf;
    std::string err;  // after "FILE:"
  };
  const std::vector<Case> cases = {
      {"SIR 8 TDI (01);\nPIO (HL);\n",
       "2: PIO cannot be played: the cable drives no parallel I/O pins\n"},
      {"STATE IDLE DRPAUSE;\n",
       "1: STATE path IDLE IDLE DRPAUSE: DRPAUSE does not follow IDLE in the TAP state graph\n"},
      {"\nRUNTEST 10 SCK;\n",
       "2: RUNTEST counts SCK clocks; the cable has no SCK wire to give them\n"},
      {"\x1b[2J;", "1: '\\x1b[2J' is no SVF statement\n"},
      {"\nPIOMAP (IN A);", "2: PIOMAP cannot be played: the cable drives no parallel I/O pins\n"},
      {"RUNTEST 1E16 TCK;", "1: RUNTEST gives more than 2^53 clocks\n"},
      {"RUNTEST 5 TCK ENDSTATE (IDLE);",
       "1: RUNTEST needs a stable state (IDLE, RESET, DRPAUSE, IRPAUSE) where it has no word\n"},
      {"HDR 2 TDI (0);\nSDR 2147483646 TDI (0);",
       "2: SDR with its header and trailer is 2147483648 bits, over tapwright's 2147483647\n"},
  };
  const std::string dir = scratch_dir("refused");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.svf);
    const std::string path = dir + "/bad.svf";
    write_file(path, c.svf);
    const ProgramRun run =
        run_program(play, {"--sim", "--capture-out", dir + "/out.bin", "-c", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              path + ":" + c.err + "tapwright-play: " + path + ": 1 problem; nothing played\n");
    EXPECT_FALSE(fs::exists(dir + "/out.bin")) << "the cable was opened";
  }
}

TEST(PlayProgram, EchoesChecksAndNamesTheScanThatDiffered) {
  check_runs(
      play,
      {{"--sim -c -v @/idcode.svf", 0,
        "@/idcode.svf:3: SIR 8 TDI (01) TDO (01) MASK (03)\n"
        "@/idcode.svf:4: SDR 32 TDI (00000000) TDO (59604093) MASK (ffffffff)\n"
        "@/idcode.svf:5: RUNTEST IDLE 10 TCK ENDSTATE IDLE\n"
        "@/idcode.svf: every compared TDO bit matched\n",
        ""},
       {"--sim -c @/verify_fails.svf", 2, "",
        "@/verify_fails.svf:4: SDR 32: TDO mismatch: read 59604093, expected 596040f4, "
        "mask ffffffff\ntapwright-play: @/verify_fails.svf: TDO differed in 1 of 1 compared "
        "scans (5 bits); stopped there\n"},
       // --check opens no cable: the real one, absent here, is never
       // asked for. Reset and drain aside: SIR 4 + 8 + 2, SDR 3 + 32 +
       // 2, RUNTEST 10.
       {"--check @/idcode.svf", 0, "@/idcode.svf: 3 statements, 61 clocks: can be played\n", ""},
       {"@/idcode.svf", 1, "", "tapwright-play: no cable: cannot open the first FTDI device\n"}},
      TAPWRIGHT_EXAMPLES_DIR);
  const std::string dir = scratch_dir("check");
  write_file(dir + "/widest.svf", "HDR 1 TDI (0);\nSDR 2147483646 TDI (0);\n");
  // From Run-Test/Idle: 4 clocks, then 1 + 1 + 3 to RESET + 1, then 5.
  write_file(dir + "/path.svf",
             "STATE DRPAUSE;\nSTATE DREXIT2 DRUPDATE RESET IDLE;\nSTATE IRPAUSE;\n");
  write_file(dir + "/long.svf",
             "SDR 260 TDI (" + std::string(65, '1') + ");\nHDR 1 TDI (1);\nSDR 4 TDI (5);\n");
  // The widest scan reported with its values, read back in two blocks, of
  // which only the second differs.
  const std::string ones(63, 'f');
  write_file(dir + "/straddle.svf", "RUNTEST 2000 TCK;\nSDR 256 TDI (0) TDO (7" + ones + ");\n");
  check_runs(
      play,
      {{"--check @/widest.svf", 0, "@/widest.svf: 2 statements, 2147483652 clocks: can be played\n",
        ""},
       {"--check @/path.svf", 0, "@/path.svf: 3 statements, 15 clocks: can be played\n", ""},
       {"--sim=none -v @/long.svf", 0,
        "@/long.svf:1: SDR 260 TDI (" + std::string(32, '1') +
            "... 65 digits)\n@/long.svf:3: SDR 4 (with 1 header and 0 trailer bits, shown as "
            "shifted) TDI (0b)\n",
        ""},
       {"--sim=none -c @/straddle.svf", 2, "",
        "@/straddle.svf:2: SDR 256: TDO mismatch: read f" + ones + ", expected 7" + ones +
            ", mask f" + ones +
            "\ntapwright-play: @/straddle.svf: TDO differed in 1 of 1 compared scans (1 bits); "
            "stopped there\n"},
       {"--sim --vcd @/path.svf @/path.svf", 1, "",
        "tapwright-play: --vcd '@/path.svf' is the SVF file '@/path.svf'\n"}},
      dir);
  const ProgramRun piped =
      run_shell("printf 'SIR 8 TDI (01) TDO (01) MASK (03);\\n' | " + play + " --sim -c -");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, "<stdin>: every compared TDO bit matched\n");
  // A waveform that reached its size limit fails the run.
  const ProgramRun limited = run_program(
      play,
      {"--sim", "--vcd=" + dir + "/w.vcd", "--vcd-limit=1K", TAPWRIGHT_EXAMPLES_DIR "/idcode.svf"});
  EXPECT_EQ(limited.status, 1);
  EXPECT_EQ(limited.err.rfind(
                "tapwright-play: VCD file '" + dir + "/w.vcd' stopped at its size limit", 0),
            0u)
      << limited.err;
}

TEST(PlayProgram, CtrlCStopsAtAStatementAndLeavesNoCapture) {
  const std::string dir = scratch_dir("interrupt");
  write_file(dir + "/wait.svf", "SIR 8 TDI (01);\nRUNTEST 30 SEC;\nSIR 8 TDI (02);\n");
  const ProgramRun run = run_shell(play + " --sim --capture-out " + dir + "/out.bin " + dir +
                                   "/wait.svf & sleep 0.5; kill -INT $!; wait $!");
  EXPECT_EQ(run.status, 130);
  EXPECT_EQ(run.err, "tapwright-play: interrupted at " + dir + "/wait.svf:2\n");
  EXPECT_FALSE(fs::exists(dir + "/out.bin"));
}

// A very long value, a 64-Mbit TDO on one line: it plays and compares every
// bit, and the player's memory follows the value, not the size of the file.
TEST(LargeInput, EveryBitComparedInMemoryBoundedByTheValue) {
  const long digits = 1L << 24;  // 64 Mbit
  const std::string path = scratch_dir("large") + "/long.svf";
  // All ones, as the empty chain returns, but for one bit in the middle;
  // written piece by piece so that this process stays small.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fprintf(file, "SDR %ld TDI (0) TDO (", digits * 4);
  std::string ones(1 << 16, 'f');
  for (long at = 0; at < digits; at += 1 << 16) {
    ones[0] = at == digits / 2 ? '7' : 'f';
    std::fputs(ones.c_str(), file);
  }
  std::fputs(");\n", file);
  ASSERT_EQ(std::fclose(file), 0);
  const ProgramRun run = run_program(sim, {"--chain", "none", path, "-c"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "\n   <<< 1 TDO outputs didn't match to the expected values... >>>\n\n");
  // tapwright-play reads the file twice and spells out no implied MASK.
  const ProgramRun played = run_program(play, {"--sim=none", "-c", path});
  EXPECT_EQ(played.status, 2);
  EXPECT_EQ(played.err,
            path +
                ":1: SDR 67108864: TDO mismatch: 1 of its 67108864 bits differ, the first "
                "at bit 33554431 (bit 0 is shifted first)\ntapwright-play: " +
                path + ": TDO differed in 1 of 1 compared scans (1 bits); stopped there\n");
#ifndef TAPWRIGHT_SANITIZE  // the sanitizer's shadow memory says nothing of the player's
  // The value is held once, in an allocation of its own size; the rest is
  // a few MB of fixed buffers and the program itself.
  EXPECT_LE(run.peak_rss_kb, digits / 1024 + 8 * 1024);
  EXPECT_LE(played.peak_rss_kb, digits / 1024 + 8 * 1024);
#endif
}

}  // namespace
}  // namespace tapwright::testing
