// The argument scan: options as whole words anywhere, "-h" winning over
// everything, the last path winning, and the messages for no or a bad path.
#include <gtest/gtest.h>

#include "player_harness.hpp"

namespace tapwright {
namespace {

using testing::PlayerRun;
using testing::TempSvf;

constexpr const char* usage_text =
    "tapwright svf_file [options]\n"
    " options:\n"
    "   -c compare TDO outputs to the expected values\n"
    "   -v verbose\n"
    "   -h help\n";

constexpr const char* missing_path = "/nonexistent/tapwright/missing.svf";

TEST(PlayerArguments, HelpPrintsUsageAndOpensNothing) {
  TempSvf svf("SIR 4 TDI (5);");
  const std::vector<std::vector<std::string>> command_lines = {
      {"-h"},
      {"-h", svf.path()},
      {"-v", svf.path(), "-c", "-h"},
      {missing_path, "-h"},
  };
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    PlayerRun run;
    EXPECT_EQ(run.run(args), 0);
    EXPECT_EQ(run.out_text(), usage_text);
    EXPECT_EQ(run.err_text(), "");
    EXPECT_TRUE(run.device.calls.empty());
    EXPECT_EQ(run.fds_after, run.fds_before);
  }
}

TEST(PlayerArguments, HelpAppendsTheFrontEndsOwnText) {
  PlayerRun run;
  EXPECT_EQ(run.run({"x.svf", "-h"}, "  --extra explains itself\n"), 0);
  EXPECT_EQ(run.out_text(), std::string(usage_text) + "  --extra explains itself\n");
  EXPECT_EQ(run.err_text(), "");
}

TEST(PlayerArguments, NoSvfPath) {
  const std::vector<std::vector<std::string>> command_lines = {{}, {"-v", "-c"}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    PlayerRun run;
    EXPECT_EQ(run.run(args), 1);
    EXPECT_EQ(run.err_text(), "speciry SVF file\n");
    EXPECT_EQ(run.out_text(), "");
    EXPECT_TRUE(run.device.calls.empty());
  }
}

TEST(PlayerArguments, FileThatCannotBeOpened) {
  // Words that only resemble options are paths, and no such files exist.
  const std::vector<std::vector<std::string>> command_lines = {
      {missing_path}, {"-c", missing_path, "-v"}, {"-cv"}, {"-H"}, {"-h-"},
  };
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const std::string& path = args.size() == 1 ? args[0] : args[1];
    PlayerRun run;
    EXPECT_EQ(run.run(args), 1);
    EXPECT_EQ(run.err_text(), "can't open " + path + "\n");
    EXPECT_EQ(run.out_text(), "");
    EXPECT_TRUE(run.device.calls.empty());
    EXPECT_EQ(run.fds_after, run.fds_before);
  }
}

TEST(PlayerArguments, TheLastPathWins) {
  TempSvf svf("SIR 4 TDI (5);");
  {
    PlayerRun run;
    EXPECT_EQ(run.run({missing_path, svf.path()}), 0);
    EXPECT_EQ(run.err_text(), "");
    EXPECT_EQ(run.device.write_sizes, std::vector<std::uint32_t>{34});  // reset, SIR, drain
  }
  {
    PlayerRun run;
    EXPECT_EQ(run.run({svf.path(), "-c", missing_path}), 1);
    EXPECT_EQ(run.err_text(), std::string("can't open ") + missing_path + "\n");
    EXPECT_TRUE(run.device.calls.empty());
  }
}

}  // namespace
}  // namespace tapwright
