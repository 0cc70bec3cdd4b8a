// tapwright-prep's command: arguments, what it writes where, and what it
// says on standard error.
#include "prep/prep_command.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/program_run.hpp"

namespace tapwright::prep {
namespace {

namespace fs = std::filesystem;

class PrepCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string file(const std::string& name, const std::string& content) {
    const std::string path = (dir_ / name).string();
    testing::write_file(path, content);
    return path;
  }
  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return prep_main(args, out_, err_);
  }
  std::size_t files() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
  std::ostringstream out_, err_;
};

// One row per command line: the exit status, and a part of each stream
// (an empty one must stay empty).
TEST_F(PrepCommand, EachCommandLineAndWhatItSays) {
  const std::string good = file("good.svf", "SIR 2 TDI (1);\n");
  const std::string seconds = file("s.svf", "RUNTEST 50E-3 SEC;\n");
  const std::string rated = file("r.svf", "FREQUENCY 2E6 HZ;\nRUNTEST 50E-3 SEC;\n");
  const std::string escaped = file("e.svf", "\x1b]0;" + std::string(100, 'x') + " 1;\n");
  const std::string long_word = file("w.svf", "SIR " + std::string(100, 'y') + ";\n");
  const std::string cut_number = file("z.svf", "SIR " + std::string(5000, '0') + "8 TDI (01);\n");
  const std::string longest = file("l.svf", "RUNTEST 9007199254740992 TCK;\n");  // 2^53
  const std::string usage = "usage: tapwright-prep [--tck-hz HZ] [--check] [-o OUT] FILE\n";
  const std::string absent = (dir_ / "absent.svf").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out_has, err_has;
  };
  const std::vector<Case> cases = {
      {{}, 2, "", "tapwright-prep: no FILE given\n" + usage},
      {{"--bogus", good}, 2, "", "tapwright-prep: unknown option '--bogus'\n" + usage},
      {{"--tck-hz", "0", good}, 2, "", "tapwright-prep: --tck-hz needs a clock rate above 0"},
      {{good, "--tck-hz"}, 2, "", "tapwright-prep: --tck-hz needs an argument\n"},
      {{good, "-o"}, 2, "", "tapwright-prep: -o needs an argument\n"},
      {{good, good}, 2, "", "tapwright-prep: more than one FILE"},
      {{"-h"}, 0, usage, ""},
      {{"--version"}, 0, "tapwright-prep ", ""},
      {{absent}, 1, "", "tapwright-prep: cannot open " + absent + ": No such file or directory\n"},
      {{dir_.string()},
       1,
       "",
       "tapwright-prep: cannot open " + dir_.string() + ": Is a directory\n"},
      // Opens, then fails to read.
      {{"/proc/self/mem"}, 1, "", "cannot read /proc/self/mem; nothing written\n"},
      {{"--check", "-o", (dir_ / "out.svf").string(), good}, 0, "", ""},
      {{seconds}, 0, "RUNTEST 50000 TCK;", "assumed 1000000 Hz"},
      {{"--check", longest}, 0, "", ""},
      {{rated}, 0, "RUNTEST 100000 TCK;", ""},
      {{"--tck-hz", "6MHz", seconds}, 0, "RUNTEST 300000 TCK;", ""},
      {{"--tck-hz=500kHz", seconds}, 0, "RUNTEST 25000 TCK;", ""},
      {{"--tck-hz", "40", seconds},
       0,
       "RUNTEST 2 TCK;",
       "below 1 kHz: a 50 ms wait becomes 2 clock"},
      // The file quoted as written, short, and with its control bytes escaped.
      {{escaped},
       1,
       "",
       escaped + ":1: '\\x1b]0' is no SVF statement that tapwright-prep can lower"},
      {{long_word}, 1, "", "not '" + std::string(40, 'y') + "...'"},
      {{cut_number}, 1, "", "z.svf:1: a word of more than 4096 characters: '0000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(run(c.args), c.status);
    EXPECT_EQ(c.out_has.empty(), out_.str().empty()) << out_.str();
    EXPECT_NE(out_.str().find(c.out_has), std::string::npos) << out_.str();
    EXPECT_EQ(c.err_has.empty(), err_.str().empty()) << err_.str();
    EXPECT_NE(err_.str().find(c.err_has), std::string::npos) << err_.str();
  }
  EXPECT_FALSE(fs::exists(dir_ / "out.svf")) << "--check writes nothing";
}

TEST_F(PrepCommand, WritesTheWholeFileOrNothing) {
  const std::string in = file("v.svf", "sir 2 tdi(1);\nRUNTEST 2E-6 SEC MAXIMUM 1 SEC;\n");
  EXPECT_EQ(run({"--tck-hz", "3E6", in}), 0);
  EXPECT_EQ(out_.str(), "// tapwright-prep: lowered from " + in +
                            "; SEC waits at 3000000 Hz (from --tck-hz)\nSIR 2 TDI (1);\nRUNTEST 6 "
                            "TCK;\n");
  EXPECT_EQ(err_.str(),
            in + ":2: note: MAXIMUM 1 SEC ignored: tapwright bounds no wait from above\n");

  // Over a symbolic link: the file it leads to is replaced, keeping its
  // permission bits, and no temporary file is left beside it.
  const std::string target = file("target.svf", "old\n");
  const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(target, perms);
  fs::create_symlink("target.svf", dir_ / "link.svf");
  EXPECT_EQ(run({"-o", (dir_ / "link.svf").string(), "--tck-hz=3MHz", in}), 0) << err_.str();
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.svf"));
  EXPECT_EQ(testing::read_file(target).substr(testing::read_file(target).find('\n') + 1),
            "SIR 2 TDI (1);\nRUNTEST 6 TCK;\n");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, perms);
  EXPECT_EQ(files(), 3u);
  EXPECT_EQ(run({"-o", "-", in}), 0);
  EXPECT_NE(out_.str().find("SIR 2 TDI (1);"), std::string::npos);

  // A refused file: every problem, then nothing written anywhere.
  const std::string bad = file("bad.svf", "SIR 2 TDI (1);\nPIO (HL);\nRUNTEST DRPAUSE 5 TCK;\n");
  EXPECT_EQ(run({bad, "-o", target}), 1);
  EXPECT_EQ(testing::read_file(target).find("old"), std::string::npos) << "target kept";
  EXPECT_EQ(run({bad}), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(), bad + ":2: PIO cannot be lowered: tapwright drives no parallel I/O pins\n" +
                            bad +
                            ":3: RUNTEST clocks in DRPAUSE: tapwright gives run-test clocks only "
                            "in IDLE\ntapwright-prep: " +
                            bad + " cannot be lowered (2 problems); nothing written\n");
}

TEST_F(PrepCommand, AnInterruptedRunLeavesNoTemporaryFile) {
  // Large enough that the second pass is still writing when the signal comes.
  std::string text;
  for (int i = 0; i < 8000; ++i) text += "SDR 16384 TDI (" + std::string(4096, 'a') + ");\n";
  const std::string in = file("big.svf", text);
  const std::string out = (dir_ / "out.svf").string();
  const testing::ProgramRun r =
      testing::run_shell(std::string(TAPWRIGHT_PREP_EXE) + " -o " + out + " " + in +
                         " & for i in $(seq 1000); do ls " + out +
                         ".?????? >/dev/null 2>&1 && break; sleep 0.005; "
                         "done; kill -INT $!; wait $!");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(files(), 1u) << "only the input is left";
  // Writes the file system refuses (past the file size limit) fail the run.
  const testing::ProgramRun full = testing::run_shell(
      "trap '' XFSZ; ulimit -f 64; " + std::string(TAPWRIGHT_PREP_EXE) + " -o " + out + " " + in);
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "tapwright-prep: cannot write " + out + "; nothing written\n");
  EXPECT_EQ(files(), 1u) << "only the input is left";
}

}  // namespace
}  // namespace tapwright::prep
