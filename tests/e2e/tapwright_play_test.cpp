// The players as a user runs them: tapwright-play byte for byte as
// tapwright plays the same file lowered by tapwright-prep, every file of the
// corpus to its end; tapwright-sim's captures and waveforms; the progress
// line; the memory long values and paths take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
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

// Every file plays to its end (its TDO may differ on a chain that is not
// its device), the CoolRunner-II files with their paths through Capture-DR
// and their clocks in Pause-DR included; its waits are timed, not slept.
// Files that tapwright-prep lowers and that give no wait in seconds play the
// same bytes through tapwright: with -c, so that tapwright-play's read back
// before every SIR is crossed too.
TEST_P(EveryFile, PlaysToItsEndAsTapwrightPlaysTheLoweredFile) {
  const std::string svf = read_file(GetParam());
  const std::string dir = scratch_dir("agree");
  const std::string chain = chain_for(svf);
  const ProgramRun a = run_program(play, {"--sim=" + chain, "--no-wait", "--capture-out",
                                          dir + "/play.bin", "-c", "--keep-going", GetParam()});
  EXPECT_TRUE(a.status == 0 || a.status == 2) << a.status << "\n" << a.err;
  EXPECT_EQ(a.err.find("problem"), std::string::npos) << a.err;
  const ProgramRun lowered = run_program(prep, {"-o", dir + "/lowered.svf", GetParam()});
  if (lowered.status != 0 || waits_in_seconds(svf)) return;
  const ProgramRun b = run_program(
      sim, {"--chain", chain, "--capture-out", dir + "/sim.bin", dir + "/lowered.svf", "-c"});
  EXPECT_EQ(a.status, b.status) << a.err << b.err;
  const std::string played = read_file(dir + "/play.bin");
  EXPECT_GT(played.size(), 12u);
  EXPECT_TRUE(played == read_file(dir + "/sim.bin")) << "the two captures differ";
}

// Lines that only say at what rate a cable clocks, which differs by cable.
std::string without_rate_lines(const std::string& text) {
  std::string kept;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start + 1);
    if (line.find(": cable ") == std::string::npos && line.find("FREQUENCY") == std::string::npos &&
        line.find(" estimated (") == std::string::npos) {
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

// The progress line is redrawn all through one long statement, and counts
// a wait down.
TEST(PlayProgram, ProgressThroughALongStatementAndAWait) {
  const std::string path = scratch_dir("progress") + "/long.svf";
  write_file(path, "RUNTEST 400000000 TCK;\nRUNTEST 1 SEC;\n");
  const ProgramRun run = run_program(play, {"--sim=none", "--progress", path});
  EXPECT_EQ(run.status, 0);
  int clocking = 0, waiting = 0;
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line, '\r');) {
    clocking += std::regex_search(line, std::regex("^tapwright-play: 0% .* Mclocks at "));
    waiting += std::regex_search(line, std::regex("Mclocks, waiting: 0\\.[0-9] s to go"));
  }
  EXPECT_GE(clocking, 2) << run.err;
  EXPECT_GE(waiting, 4) << run.err;
}

// A very long value, a 64-Mbit TDO on one line: it plays and compares every
// bit, and the players' and tapwright-prep's memory follows the value, not
// the size of the file, and a STATE path's its number of states.
TEST(LargeInput, EveryBitComparedInMemoryBoundedByTheValue) {
  const long digits = 1L << 24;  // 64 Mbit
  const std::string dir = scratch_dir("large");
  const std::string path = dir + "/long.svf";
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
                path + ": TDO differed in 1 of 1 compared scans (1 bit); stopped there\n");
  const ProgramRun lowered = run_program(prep, {"-o", "/dev/null", path});
  EXPECT_EQ(lowered.status, 0) << lowered.err;
  // Through Pause-DR and back, as tapwright walks it: 10 MB, 1.26 million states.
  std::string states;
  for (int i = 0; i < 180'000; ++i)
    states += " DRSELECT DRCAPTURE DREXIT1 DRPAUSE DREXIT2 DRUPDATE IDLE";
  write_file(dir + "/path.svf", "STATE" + states + ";\n");
  const ProgramRun path_checked = run_program(play, {"--check", dir + "/path.svf"});
  EXPECT_EQ(path_checked.out, dir + "/path.svf: 1 statements, 1260000 clocks: can be played\n");
  const ProgramRun path_lowered = run_program(prep, {"-o", "/dev/null", dir + "/path.svf"});
  EXPECT_EQ(path_lowered.status, 0) << path_lowered.err;
#ifndef TAPWRIGHT_SANITIZE  // the sanitizer's shadow memory says nothing of the player's
  // The value is held once, in an allocation of its own size; the rest is
  // a few MB of fixed buffers and the program itself.
  for (const ProgramRun* r : {&run, &played, &lowered}) {
    EXPECT_LE(r->peak_rss_kb, digits / 1024 + 8 * 1024);
  }
  // A state is four bytes, at most eight while the path is read.
  EXPECT_LE(path_checked.peak_rss_kb, 8 * 1024 + 1'260'000 * 8 / 1024);
  EXPECT_LE(path_lowered.peak_rss_kb, 8 * 1024 + 1'260'000 * 8 / 1024);
#endif
}

// Two bytes per cycle, TCK low then high, with TDI on bit 0 and TMS on bit 1.
std::string wire(const std::string& tms, const std::string& tdi) {
  std::string bytes;
  for (std::size_t i = 0; i < tms.size(); ++i) {
    const char low = static_cast<char>((tms[i] - '0') << 1 | (tdi[i] - '0'));
    if (tms[i] != ' ') bytes.append({low, static_cast<char>(low | 4)});
  }
  return bytes;
}

TEST(Sim, TheWholeByteStreamOfARun) {
  const std::string dir = scratch_dir("capture");
  write_file(dir + "/a.svf", "SIR 8 TDI (a5);\n");
  check_runs(sim,
             {{"--capture-out=@/out @/a.svf --capture-in @/in -c", 0,
               "\n   <<< All TDO outputs matched to the expected values! >>>\n\n", ""}},
             dir);
  // The reset, the walk to Shift-IR, a5 from its lowest bit, the walk to
  // Run-Test/Idle, the drain.
  EXPECT_EQ(read_file(dir + "/out"),
            wire("111110 1100 00000001 10 0", "000000 0000 10100101 00 0"));
  EXPECT_EQ(read_file(dir + "/in").size(), 42u);
}

// A waveform stopped at its limit is the whole one up to that step, closed
// by a last time stamp, and the run fails.
TEST(Sim, WaveformsAtTheirLimit) {
  const std::string dir = scratch_dir("vcd");
  const std::string svf = TAPWRIGHT_EXAMPLES_DIR "/scratch_register.svf";
  ASSERT_EQ(run_program(sim, {"--vcd", dir + "/full.vcd", svf}).status, 0);
  const std::string whole = read_file(dir + "/full.vcd");
  const std::string steps = std::to_string(std::stoull(whole.substr(whole.rfind("\n#") + 2)) - 1);
  const ProgramRun cut = run_program(sim, {"--vcd-limit", "1K", "--vcd=" + dir + "/cut.vcd", svf});
  const std::string text = read_file(dir + "/cut.vcd");
  const std::size_t last = text.rfind("\n#", text.size() - 2);
  const std::string stop = text.substr(last + 2, text.size() - last - 3);
  EXPECT_EQ(text, whole.substr(0, whole.find("\n#" + stop + "\n") + 1) + "#" + stop + "\n");
  EXPECT_GT(text.size(), 900u) << "it stops at the limit, not before";
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.err, "tapwright-sim: VCD file '" + dir +
                         "/cut.vcd' stopped at its size limit (--vcd-limit 1K, 0 for none): it "
                         "ends before time step " +
                         stop + " of " + steps + "\n");
}

}  // namespace
}  // namespace tapwright::testing
