// Every real SVF file of the corpus on the simulated chain: none crashes or
// hangs; the files inside tapwright's language (wrapped values included)
// play to the end; every other one ends with "parse error" exactly at its
// first statement outside the language, with everything before it played.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/program_run.hpp"
#include "svf_subset.hpp"

namespace tapwright::testing {
namespace {

namespace fs = std::filesystem;

const std::string sim = TAPWRIGHT_SIM_PATH;
const fs::path corpus = TAPWRIGHT_CORPUS_DIR;

// Files that play as they stand, by the corpus manifest: the subset files and
// the one whose only departure is values wrapped over several lines.
bool manifest_says_it_plays(const std::string& name) {
  return name.rfind("xc95144xl_", 0) == 0 || name == "xc6slx9_spartan6_blinker2_impact_config.svf";
}

TEST(Corpus, EveryFilePlaysToTheEndOrStopsAtItsFirstForeignStatement) {
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() != ".svf") continue;
    ++files;
    const std::string name = entry.path().filename().string();
    const std::string text = read_file(entry.path().string());
    const SubsetVerdict verdict = check_subset(text);
    EXPECT_EQ(verdict.inside, manifest_says_it_plays(name)) << name << ": " << verdict.reason;

    const ProgramRun run = run_program(sim, {entry.path().string(), "-c"});
    if (verdict.inside) {
      EXPECT_TRUE(run.status == 0 || run.status == 2) << name << ": " << run.err;
      EXPECT_EQ(run.err, "") << name;
      EXPECT_NE(run.out.find("<<<"), std::string::npos) << name << ": no summary";
      continue;
    }
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.err, "parse error\n") << name;
    // Everything before the first foreign statement is inside the language
    // and plays; so the failure lies at that statement.
    const std::string prefix_path = scratch_dir("prefix") + "/" + name;
    write_file(prefix_path, text.substr(0, verdict.first_outside));
    const ProgramRun prefix = run_program(sim, {prefix_path, "-c"});
    EXPECT_TRUE(prefix.status == 0 || prefix.status == 2)
        << name << " up to byte " << verdict.first_outside << ": " << prefix.err;
    EXPECT_EQ(prefix.err, "") << name;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace tapwright::testing
