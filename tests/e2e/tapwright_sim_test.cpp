// tapwright-sim and tapwright as a user runs them: standard output and
// error, the exit status, and what went over the simulated cable.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

namespace fs = std::filesystem;
const std::string sim = TAPWRIGHT_SIM_PATH;
const std::string matched = "\n   <<< All TDO outputs matched to the expected values! >>>\n\n";

TEST(Sim, TheExamplesAsTheReadmeShowsThemAndRefusals) {
  check_runs(
      sim,
      {{"@/idcode.svf -c -v", 0,
        "SIR 8 TDI 01 SMASK  TDO 01 MASK 03\nSDR 32 TDI 00000000 SMASK  TDO 59604093 MASK "
        "ffffffff\nRUNTEST 10 TCK\n" +
            matched,
        ""},
       {"-c @/scratch_register.svf", 0, matched, ""},
       {"@/verify_fails.svf -c", 2,
        "\n   <<< 5 TDO outputs didn't match to the expected values... >>>\n\n", ""},
       {"--fault write:1 @/idcode.svf -c", 1, "", "can't write to USB\n"},
       {"@/idcode.svf --vcd", 1, "", "tapwright-sim: --vcd needs an argument\n"},
       {"--capture-out= @/idcode.svf", 1, "",
        "tapwright-sim: --capture-out needs an argument, not an empty one\n"},
       {"--vcd-limit=4T @/idcode.svf", 1, "",
        "tapwright-sim: --vcd-limit needs a size in bytes, with K, M or G or without, not '4T'\n"},
       {"--vcd /dev/full @/idcode.svf", 1, "",
        "tapwright-sim: could not write all of VCD file '/dev/full': No space left on device\n"}},
      TAPWRIGHT_EXAMPLES_DIR);
  EXPECT_TRUE(fs::exists("/dev/full")) << "a device named as output is never removed";
  // Built without the vendor library, and no cable attached.
  check_runs(TAPWRIGHT_PLAYER_PATH, {{"@/idcode.svf -c", 1, "", "can't open USB device\n"}},
             TAPWRIGHT_EXAMPLES_DIR);
}

TEST(Sim, HelpWhereverHStands) {
  const ProgramRun help = run_program(sim, {"-h"});
  EXPECT_EQ(help.out.rfind("tapwright-sim [simulator options] svf_file [options]\n options:\n", 0),
            0u);
  check_runs(sim, {{"x.svf -h --chain 8:zz", 0, help.out, ""}, {"--vcd '' -h", 0, help.out, ""}},
             "");
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
  check_runs(sim, {{"--capture-out=@/out @/a.svf --capture-in @/in -c", 0, matched, ""}}, dir);
  // The reset, the walk to Shift-IR, a5 from its lowest bit, the walk to
  // Run-Test/Idle, the drain.
  EXPECT_EQ(read_file(dir + "/out"),
            wire("111110 1100 00000001 10 0", "000000 0000 10100101 00 0"));
  EXPECT_EQ(read_file(dir + "/in").size(), 42u);
}

// Outputs are created, and so emptied, before the SVF file is read: none
// may be the SVF file, however it is named, or another output.
TEST(Sim, NoOutputIsTheSvfFileOrAnotherOutput) {
  const std::string dir = scratch_dir("same-file");
  write_file(dir + "/a.svf", "SIR 8 TDI (01);\n");
  fs::create_hard_link(dir + "/a.svf", dir + "/hard.svf");
  fs::create_symlink(dir + "/a.svf", dir + "/soft.svf");
  const std::string is_svf = "' is the SVF file '@/a.svf'\n";
  const std::string x(300, 'x');  // a name too long to resolve
  check_runs(
      sim,
      {{"--capture-in @/a.svf @/a.svf -c", 1, "", "tapwright-sim: --capture-in '@/a.svf" + is_svf},
       {"--vcd=@/./a.svf @/a.svf", 1, "", "tapwright-sim: --vcd '@/./a.svf" + is_svf},
       {"@/a.svf --capture-out @/hard.svf", 1, "",
        "tapwright-sim: --capture-out '@/hard.svf" + is_svf},
       {"@/a.svf --vcd @/soft.svf", 1, "", "tapwright-sim: --vcd '@/soft.svf" + is_svf},
       {"--capture-out @/o -c", 1, "", "speciry SVF file\n"},
       {"--vcd @/new --capture-in @/./new @/a.svf -c", 1, "",
        "tapwright-sim: --capture-in '@/./new' and --vcd '@/new' are the same file\n"},
       {"--vcd @/" + x + "/n --capture-in @/" + x + "/./n @/a.svf", 1, "",
        "tapwright-sim: --capture-in '@/" + x + "/./n' and --vcd '@/" + x +
            "/n' are the same file\n"}},
      dir);
  EXPECT_EQ(read_file(dir + "/a.svf"), "SIR 8 TDI (01);\n");
  EXPECT_FALSE(fs::exists(dir + "/new"));
}

// A waveform stopped at its limit is the whole one up to that step, closed
// by a last time stamp, and the run fails; one that could not be written in
// full is removed, while a capture that was written stays.
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

  const ProgramRun big = run_shell("trap '' XFSZ; ulimit -f 4; exec " + sim + " --vcd " + dir +
                                   "/w.vcd --capture-out " + dir + "/out " + svf + " -c");
  EXPECT_EQ(big.err,
            "tapwright-sim: could not write all of VCD file '" + dir + "/w.vcd': File too large\n");
  EXPECT_FALSE(fs::exists(dir + "/w.vcd"));
  EXPECT_EQ(fs::file_size(dir + "/out"), 2u * 332);
}

}  // namespace
}  // namespace tapwright::testing
