#include "fullsvf/svf_states.hpp"

namespace tapwright::fullsvf {
namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'a' && a[i] <= 'z') ? static_cast<char>(a[i] - 32) : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<TapState> svf_state_from_word(std::string_view word) {
  for (int code = 0; code < tap_state_count; ++code) {
    const auto state = static_cast<TapState>(code);
    if (same_ignoring_case(word, tap_state_name(state))) return state;
  }
  return std::nullopt;
}

bool is_stable(TapState state) {
  return state == TapState::run_test_idle || state == TapState::test_logic_reset ||
         state == TapState::pause_dr || state == TapState::pause_ir;
}

std::string state_names(TapState from, const std::vector<TapState>& states) {
  constexpr std::size_t shown = 12;
  std::string text(tap_state_name(from));
  for (std::size_t i = 0; i < states.size() && i < shown; ++i) {
    (text += ' ') += tap_state_name(states[i]);
  }
  if (states.size() > shown) text += " ... (" + std::to_string(states.size()) + " states)";
  return text;
}

int check_state_path(TapState from, const std::vector<TapState>& path, std::string& problem,
                     bool from_known) {
  if (!is_stable(path.back())) {
    problem = "STATE path ends in " + std::string(tap_state_name(path.back())) +
              ", which is no stable state (IDLE, RESET, DRPAUSE, IRPAUSE)";
    return 0;
  }
  if (path.size() < 2) return 1;  // a single stable state is walked to
  for (std::size_t i = from_known ? 0 : 1; i < path.size(); ++i) {
    const TapState at = i == 0 ? from : path[i - 1];
    const TapState next = path[i];
    if (next != TapState::test_logic_reset && tap_tms_between(at, next) < 0) {
      const std::string names =
          from_known ? state_names(from, path)
                     : state_names(path[0], std::vector<TapState>(path.begin() + 1, path.end()));
      problem = "STATE path " + names + ": " + std::string(tap_state_name(next)) +
                " does not follow " + std::string(tap_state_name(at)) + " in the TAP state graph";
      return 0;
    }
  }
  return 1;
}

}  // namespace tapwright::fullsvf
