#include "jtag/tap_state.hpp"

#include <gtest/gtest.h>

#include <string>

#include "ieee_tap_graph.hpp"

namespace tapwright {
namespace {

TEST(TapState, CodesAndTransitionsAreThoseOfTheStandard) {
  for (int code = 0; code < tap_state_count; ++code) {
    const testing::IeeeTransition& t = testing::ieee_tap_graph[code];
    SCOPED_TRACE(code);
    EXPECT_EQ(tap_code(t.from), code);
    EXPECT_EQ(tap_next_state(t.from, 0), t.on_tms0);
    EXPECT_EQ(tap_next_state(t.from, 1), t.on_tms1);
  }
}

TEST(TapState, StableStateWordsAreRecognisedWhole) {
  struct Case {
    std::string word;
    int found;
    TapState state;
  };
  const TapState untouched = TapState::exit2_ir;
  const Case cases[] = {
      {"IDLE", 1, TapState::run_test_idle},
      {"RESET", 1, TapState::test_logic_reset},
      {"IRPAUSE", 1, TapState::pause_ir},
      {"DRPAUSE", 1, TapState::pause_dr},
      {"idle", 0, untouched},
      {"IDLEX", 0, untouched},
      {"RESET;", 0, untouched},
      {"IDL", 0, untouched},
      {"", 0, untouched},
      {"DRSHIFT", 0, untouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.word + "\"");
    TapState state = untouched;
    EXPECT_EQ(tap_state_from_name(c.word, state), c.found);
    EXPECT_EQ(state, c.state);
  }
}

}  // namespace
}  // namespace tapwright
