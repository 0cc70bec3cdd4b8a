// The programs as a user runs them: standard output, standard error, exit
// status and the bytes that went over the simulated cable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

const std::string sim = TAPWRIGHT_SIM_PATH;
const std::string examples = TAPWRIGHT_EXAMPLES_DIR;

const std::string all_matched = "\n   <<< All TDO outputs matched to the expected values! >>>\n\n";

std::string write_svf(const std::string& name, const std::string& text) {
  const std::string path = scratch_dir("svf-" + name) + "/" + name + ".svf";
  write_file(path, text);
  return path;
}

TEST(Examples, EachPlaysOnTheDefaultChain) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{examples + "/idcode.svf", "-c"}, 0, all_matched},
      {{"-c", examples + "/scratch_register.svf"}, 0, all_matched},
      {{examples + "/verify_fails.svf", "-c"},
       2,
       "\n   <<< 5 TDO outputs didn't match to the expected values... >>>\n\n"},
      {{examples + "/idcode.svf", "-c", "-v"},
       0,
       "SIR 8 TDI 01 SMASK  TDO 01 MASK 03\n"
       "SDR 32 TDI 00000000 SMASK  TDO 59604093 MASK ffffffff\n"
       "RUNTEST 10 TCK\n" +
           all_matched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const ProgramRun run = run_program(sim, c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
  }
}

TEST(Capture, ResetFirstDrainLastAndTwoBytesPerCycle) {
  const std::string dir = scratch_dir("capture");
  const std::string svf = write_svf("scan", "SIR 8 TDI (a5);\n");
  const ProgramRun run = run_program(
      sim, {"--capture-out", dir + "/out.bin", svf, "--capture-in", dir + "/in.bin", "-c"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string out = read_file(dir + "/out.bin");
  const std::string reset("\x02\x06\x02\x06\x02\x06\x02\x06\x02\x06\x00\x04", 12);
  // reset 6; Run-Test/Idle to Shift-IR 4; 8 bits; Exit1-IR to Run-Test/Idle 2; drain 1
  ASSERT_EQ(out.size(), 2u * (6 + 4 + 8 + 2 + 1));
  EXPECT_EQ(out.substr(0, 12), reset);
  EXPECT_EQ(out.substr(out.size() - 2), std::string("\x00\x04", 2));
  // TDI of a5 least significant bit first, TMS 1 on the last bit.
  std::string bits;
  for (int i = 0; i < 8; ++i) bits.push_back(static_cast<char>(out[2 * (10 + i)] + '0'));
  EXPECT_EQ(bits, "10100103");
  EXPECT_EQ(read_file(dir + "/in.bin").size(), out.size());
}

TEST(Failures, EachEndsWithItsMessageAndStatusOne) {
  const std::string good = examples + "/idcode.svf";
  const std::string bad = write_svf("bad", "SIR 8 TDI (01);\nsdr 8 TDI (00);\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{}, "speciry SVF file\n"},
      {{"/no/such/file.svf"}, "can't open /no/such/file.svf\n"},
      {{"--fault", "open", good}, "can't open USB device\n"},
      {{"--fault", "bitmode", good, "-c"}, "can't initialize USB device\n"},
      {{bad, "-c"}, "parse error\n"},
      // The only write and read of a short run are the final drain's.
      {{"--fault", "write:1", good, "-c"}, "can't write to USB\n"},
      {{"--fault", "read:1", good, "-c"}, "can't write to USB\n"},
      // Its own options are checked before anything is opened.
      {{"--chain", "8:zz", good},
       "tapwright-sim: bad chain description '8:zz': IDCODE 'zz' is not a number\n"},
      {{good, "--vcd"}, "tapwright-sim: --vcd needs an argument\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const ProgramRun run = run_program(sim, c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "") << "no summary after a failure";
  }
}

TEST(Help, UsageThenTheSimulatorsOwnOptionsWhereverHStands) {
  const std::string usage =
      "tapwright svf_file [options]\n"
      " options:\n"
      "   -c compare TDO outputs to the expected values\n"
      "   -v verbose\n"
      "   -h help\n";
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-h"}, {"-h", "--chain", "8:zz", "x.svf"}}) {
    const ProgramRun run = run_program(sim, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(usage, 0), 0u);
    EXPECT_NE(run.out.find("--chain LIST"), std::string::npos);
    EXPECT_EQ(run.err, "");
  }
}

TEST(Player, WithoutTheVendorLibraryTheCableCannotBeOpened) {
  const ProgramRun run = run_program(TAPWRIGHT_PLAYER_PATH, {examples + "/idcode.svf", "-c"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "can't open USB device\n");
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace tapwright::testing
