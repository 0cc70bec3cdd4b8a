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
  static std::string read(const std::string& path) { return testing::read_file(path); }
  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return prep_main(args, out_, err_);
  }

  fs::path dir_;
  std::ostringstream out_, err_;
};

TEST_F(PrepCommand, UsageErrorsExit2) {
  const std::string good = file("good.svf", "SIR 2 TDI (1);\n");
  const std::vector<std::vector<std::string>> cases = {
      {}, {"--bogus", good}, {"--tck-hz", "0", good}, {good, "--tck-hz"}, {good, good},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(run(args), 2);
    EXPECT_EQ(out_.str(), "");
    EXPECT_NE(err_.str().find("usage: tapwright-prep [--tck-hz HZ] [--check] [-o OUT] FILE"),
              std::string::npos);
  }
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(err_.str().substr(0, 31), "tapwright-prep: no FILE given\nu");
}

TEST_F(PrepCommand, HelpGoesToStandardOutput) {
  EXPECT_EQ(run({"-h"}), 0);
  EXPECT_EQ(out_.str().substr(0, 7), "usage: ");
  EXPECT_EQ(err_.str(), "");
}

TEST_F(PrepCommand, MissingFileExits1) {
  const std::string path = (dir_ / "absent.svf").string();
  EXPECT_EQ(run({path}), 1);
  EXPECT_EQ(err_.str(), "tapwright-prep: cannot open " + path + ": No such file or directory\n");
}

TEST_F(PrepCommand, LowersToStandardOutput) {
  const std::string in = file("v.svf", "sir 2 tdi(1);\nRUNTEST 2E-6 SEC MAXIMUM 1 SEC;\n");
  EXPECT_EQ(run({"--tck-hz", "3E6", in}), 0);
  EXPECT_EQ(out_.str(), "// tapwright-prep: lowered from " + in +
                            "; SEC waits at 3000000 Hz (from --tck-hz)\nSIR 2 TDI (1);\nRUNTEST 6 "
                            "TCK;\n");
  EXPECT_EQ(err_.str(),
            in + ":2: note: MAXIMUM 1 SEC ignored: tapwright bounds no wait from above\n");
}

TEST_F(PrepCommand, CheckWritesNothing) {
  const std::string in = file("v.svf", "SIR 2 TDI (1);\n");
  const std::string out = (dir_ / "out.svf").string();
  EXPECT_EQ(run({"--check", "-o", out, in}), 0);
  EXPECT_EQ(out_.str(), "");
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(PrepCommand, OutputFileWhole) {
  const std::string in = file("v.svf", "SIR 2 TDI (1);\n");
  const std::string out = file("out.svf", "old content\n");
  EXPECT_EQ(run({"-o", out, in}), 0);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(read(out).substr(read(out).find('\n') + 1), "SIR 2 TDI (1);\n");
  // Only the renamed file is left: no temporary beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(PrepCommand, RefusedFileWritesNothingAndListsEveryProblem) {
  const std::string in = file("v.svf", "SIR 2 TDI (1);\nPIO (HL);\nRUNTEST DRPAUSE 5 TCK;\n");
  const std::string out = file("out.svf", "old content\n");
  EXPECT_EQ(run({in, "-o", out}), 1);
  EXPECT_EQ(read(out), "old content\n");
  EXPECT_EQ(run({in}), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(), in + ":2: PIO cannot be lowered: tapwright drives no parallel I/O pins\n" +
                            in +
                            ":3: RUNTEST clocks in DRPAUSE: tapwright gives run-test clocks only "
                            "in IDLE\ntapwright-prep: " +
                            in + " cannot be lowered (2 problems); nothing written\n");
}

}  // namespace
}  // namespace tapwright::prep
