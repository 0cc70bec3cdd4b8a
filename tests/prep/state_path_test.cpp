#include "prep/state_path.hpp"

#include <gtest/gtest.h>

namespace tapwright::prep {
namespace {

std::vector<TapState> states(std::initializer_list<const char*> words) {
  std::vector<TapState> out;
  for (const char* w : words) out.push_back(*svf_state_from_word(w));
  return out;
}

TEST(StatePath, NamesInAnyCase) {
  EXPECT_EQ(svf_state_from_word("drpause"), TapState::pause_dr);
  EXPECT_EQ(svf_state_from_word("IrExit2"), TapState::exit2_ir);
  EXPECT_FALSE(svf_state_from_word("PAUSE").has_value());
}

TEST(StatePath, LowersPathsThatAreTapwrightsOwnWalk) {
  struct Case {
    TapState from;
    std::vector<TapState> path;
    std::vector<TapState> lowered;
  };
  const Case cases[] = {
      {TapState::pause_ir,
       states({"IREXIT2", "IRUPDATE", "DRSELECT", "DRCAPTURE", "DREXIT1", "DRPAUSE"}),
       states({"DRPAUSE"})},
      {TapState::pause_ir, states({"IREXIT2", "IRUPDATE", "IDLE"}), states({"IDLE"})},
      {TapState::run_test_idle, states({"DRSELECT", "IRSELECT", "RESET"}), states({"RESET"})},
      // Stable states alone are kept, whatever lies between them.
      {TapState::pause_dr, states({"RESET", "IDLE", "IRPAUSE"}),
       states({"RESET", "IDLE", "IRPAUSE"})},
      // A path through a stable state is two walks.
      {TapState::run_test_idle,
       states({"DRSELECT", "DRCAPTURE", "DREXIT1", "DRPAUSE", "DREXIT2", "DRUPDATE", "IDLE"}),
       states({"DRPAUSE", "IDLE"})},
  };
  for (const Case& c : cases) {
    std::vector<TapState> lowered;
    std::string problem;
    EXPECT_EQ(lower_state_path(c.from, c.path, lowered, problem), 1) << problem;
    EXPECT_EQ(lowered, c.lowered);
  }
}

TEST(StatePath, RefusesOtherPaths) {
  std::vector<TapState> lowered;
  std::string problem;
  // iMPACT passes through Capture-DR on its way to Run-Test/Idle; tapwright
  // goes straight from Update-IR.
  EXPECT_EQ(lower_state_path(TapState::pause_ir,
                             states({"IREXIT2", "IRUPDATE", "DRSELECT", "DRCAPTURE", "DREXIT1",
                                     "DRUPDATE", "IDLE"}),
                             lowered, problem),
            0);
  EXPECT_EQ(problem,
            "STATE path IRPAUSE IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRUPDATE IDLE is not "
            "the walk tapwright makes to IDLE (IRPAUSE IREXIT2 IRUPDATE IDLE)");
  EXPECT_EQ(lower_state_path(TapState::run_test_idle, states({"DRSELECT", "DRCAPTURE"}), lowered,
                             problem),
            0);
  EXPECT_EQ(problem,
            "STATE path ends in DRCAPTURE, which is no stable state (IDLE, RESET, DRPAUSE, "
            "IRPAUSE)");
  // Not adjacent states at all.
  EXPECT_EQ(
      lower_state_path(TapState::run_test_idle, states({"DRSHIFT", "DRPAUSE"}), lowered, problem),
      0);
}

}  // namespace
}  // namespace tapwright::prep
