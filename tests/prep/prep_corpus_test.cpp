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

bool is_decimal(std::string_view word, std::uint64_t min, std::uint64_t max, std::uint64_t& value) {
  if (word.empty() || word.size() > 10) return false;
  value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value >= min && value <= max;
}

bool is_stable_name(std::string_view w) {
  return w == "IDLE" || w == "RESET" || w == "DRPAUSE" || w == "IRPAUSE";
}

// A value "(...)" of exactly `digits` upper-case hex digits.
bool is_value(std::string_view word, std::uint64_t digits) {
  if (word.size() != digits + 2 || word.front() != '(' || word.back() != ')') return false;
  return std::all_of(word.begin() + 1, word.end() - 1,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// Empty when `line` is a statement of tapwright's own language as tapwright-prep
// writes it: upper case, one statement, every scan with its TDI, TDO only
// with MASK, counts and lengths within int32.
std::string line_problem(std::string_view line) {
  if (line.empty() || line.back() != ';') return "no ';' at the end";
  line.remove_suffix(1);
  std::vector<std::string_view> w;
  for (std::size_t start = 0; start <= line.size();) {
    const std::size_t blank = std::min(line.find(' ', start), line.size());
    w.push_back(line.substr(start, blank - start));
    start = blank + 1;
  }
  std::uint64_t n = 0;
  const std::string_view c = w[0];
  if (c == "SIR" || c == "SDR") {
    if (w.size() < 4 || !is_decimal(w[1], 0, 2147483647, n) || w[2] != "TDI") return "bad scan";
    const std::uint64_t digits = (n + 3) / 4;
    if (!is_value(w[3], digits)) return "bad TDI";
    if (w.size() == 4) return "";
    if (w.size() == 8 && w[4] == "TDO" && is_value(w[5], digits) && w[6] == "MASK" &&
        is_value(w[7], digits)) {
      return "";
    }
    return "bad TDO or MASK";
  }
  if (c == "RUNTEST") {
    return w.size() == 3 && is_decimal(w[1], 1, 2147483647, n) && w[2] == "TCK" ? ""
                                                                                : "bad RUNTEST";
  }
  if (c == "STATE") {
    return w.size() >= 2 && std::all_of(w.begin() + 1, w.end(), is_stable_name) ? "" : "bad STATE";
  }
  if (c == "ENDIR" || c == "ENDDR")
    return w.size() == 2 && is_stable_name(w[1]) ? "" : "bad end state";
  return "not a statement tapwright plays";
}

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
  std::istringstream lines(result_.output);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line.rfind("// tapwright-prep: lowered from " + GetParam() + "; SEC waits at ", 0), 0u);
  for (int number = 2; std::getline(lines, line); ++number) {
    const std::string problem = line_problem(line);
    ASSERT_EQ(problem, "") << "output line " << number << ": " << line.substr(0, 120);
  }
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

TEST(PrepProgram, ExitStatusesOfTheBinary) {
  const std::string prep = TAPWRIGHT_PREP_EXE;
  EXPECT_EQ(run_shell(prep).status, 2);
  EXPECT_EQ(run_shell(prep + " -h").status, 0);
  const ProgramRun refused = run_shell("printf \"PIO (H);\" | " + prep + " -");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.rfind("<stdin>:1: PIO cannot be lowered", 0), 0u) << refused.err;
}

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
