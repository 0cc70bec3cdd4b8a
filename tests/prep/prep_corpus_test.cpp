// Real vendor files: each is lowered to lines tapwright plays, or refused
// with a reason tied to a line; lowered files then play on the simulated
// cable without a parse error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "prep/svf_lowering.hpp"
#include "support/program_run.hpp"

namespace tapwright::prep {
namespace {

namespace fs = std::filesystem;

const fs::path corpus_dir = TAPWRIGHT_CORPUS_DIR;

std::vector<std::string> corpus_files() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(corpus_dir, ec)) {
    if (entry.path().extension() == ".svf") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) names.push_back("");  // one test that reports the skip
  return names;
}

using testing::ProgramRun;
using testing::read_file;
using testing::run_shell;

#ifdef TAPWRIGHT_SIM_EXE
// One device whose instruction register is as long as the file's first SIR.
std::string chain_for(const std::string& lowered) {
  const std::size_t sir = lowered.find("\nSIR ");
  if (sir == std::string::npos) return "none";
  return std::to_string(std::stoul(lowered.substr(sir + 5))) + ":0x00000001";
}
#endif

class PrepCorpus : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam().empty()) GTEST_SKIP() << "no SVF corpus at " << corpus_dir;
    const fs::path path = corpus_dir / GetParam();
    text_ = read_file(path.string());
    result_ = svf_lower(text_, {GetParam(), std::nullopt});
  }
  std::string text_;
  LoweringResult result_;
};

TEST_P(PrepCorpus, LowersOrRefusesWithALine) {
  if (!result_.lowered) {
    const auto lines = std::count(text_.begin(), text_.end(), '\n') + 1;
    int errors = 0;
    for (const Diagnostic& d : result_.diagnostics) {
      if (d.note) continue;
      ++errors;
      EXPECT_GE(d.line, 1);
      EXPECT_LE(d.line, lines);
      // Each reason names the statement it is about.
      const bool names_statement = d.message.find("RUNTEST") != std::string::npos ||
                                   d.message.find("STATE") != std::string::npos ||
                                   d.message.find("SIR") != std::string::npos ||
                                   d.message.find("SDR") != std::string::npos ||
                                   d.message.find("PIO") != std::string::npos ||
                                   d.message.find("statement") != std::string::npos;
      EXPECT_TRUE(names_statement) << d.line << ": " << d.message;
    }
    EXPECT_GE(errors, 1);
    std::cout << "refused: " << result_.diagnostics.front().line << ": "
              << result_.diagnostics.front().message << "\n";
    return;
  }
  EXPECT_EQ(
      result_.output.rfind("// tapwright-prep: lowered from " + GetParam() + "; SEC waits at ", 0),
      0u);
}

TEST_P(PrepCorpus, LoweredFilePlaysOnTheSimulatedCable) {
#ifndef TAPWRIGHT_SIM_EXE
  GTEST_SKIP() << "tapwright-sim is not part of this build";
#else
  if (!result_.lowered) GTEST_SKIP() << "refused";
  const std::string lowered = testing::scratch_dir("prep_corpus") + "/" + GetParam();
  testing::write_file(lowered, result_.output);
  const ProgramRun r = testing::run_program(TAPWRIGHT_SIM_EXE,
                                            {"--chain", chain_for(result_.output), lowered, "-c"});
  EXPECT_EQ(r.err, "");
  // 0, or 2 when TDO differed on a chain that is not the file's device.
  EXPECT_TRUE(r.status == 0 || r.status == 2) << r.status << "\n" << r.err;
#endif
}

INSTANTIATE_TEST_SUITE_P(Files, PrepCorpus, ::testing::ValuesIn(corpus_files()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.empty() ? "absent" : info.param;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(PrepProgram, PipesIntoTheSimulatedCable) {
#ifndef TAPWRIGHT_SIM_EXE
  GTEST_SKIP() << "tapwright-sim is not part of this build";
#else
  const ProgramRun r =
      run_shell("set -o pipefail; printf \"trst on;\\nsir 8 tdi(ff);\\nRUNTEST 1E-6 SEC;\\n\" | " +
                std::string(TAPWRIGHT_PREP_EXE) + " - | " + TAPWRIGHT_SIM_EXE + " /dev/stdin -c");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
#endif
}

}  // namespace
}  // namespace tapwright::prep
