#include "jtag/tap_state.hpp"

namespace tapwright {

int tap_state_from_name(std::string_view word, TapState& state) {
  struct Named {
    std::string_view word;
    TapState state;
  };
  static constexpr Named stable[] = {
      {"IDLE", TapState::run_test_idle},
      {"RESET", TapState::test_logic_reset},
      {"IRPAUSE", TapState::pause_ir},
      {"DRPAUSE", TapState::pause_dr},
  };
  for (const Named& named : stable) {
    if (word == named.word) {
      state = named.state;
      return 1;
    }
  }
  return 0;
}

std::string_view tap_state_name(TapState state) {
  static constexpr std::string_view names[tap_state_count] = {
      "RESET",    "IDLE",     "DRSELECT",  "DRCAPTURE", "DRSHIFT", "DREXIT1", "DRPAUSE", "DREXIT2",
      "DRUPDATE", "IRSELECT", "IRCAPTURE", "IRSHIFT",   "IREXIT1", "IRPAUSE", "IREXIT2", "IRUPDATE",
  };
  return tap_state_valid(state) ? names[tap_code(state)] : std::string_view("INVALID");
}

}  // namespace tapwright
