#include "prep/state_path.hpp"

namespace tapwright::prep {
namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'a' && a[i] <= 'z') ? static_cast<char>(a[i] - 32) : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

std::string names(TapState from, const std::vector<TapState>& states) {
  std::string text(tap_state_name(from));
  for (TapState s : states) (text += ' ') += tap_state_name(s);
  return text;
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

int lower_state_path(TapState current, const std::vector<TapState>& path,
                     std::vector<TapState>& stable, std::string& problem) {
  TapState from = current;
  std::vector<TapState> piece;
  for (TapState state : path) {
    piece.push_back(state);
    if (!is_stable(state)) continue;
    if (piece.size() > 1) {
      std::vector<TapState> walk;
      for (TapState s = from; s != state;) {
        s = walk_step(s, state).next;
        walk.push_back(s);
      }
      if (walk != piece) {
        problem = "STATE path " + names(from, piece) + " is not the walk tapwright makes to " +
                  std::string(tap_state_name(state)) + " (" + names(from, walk) + ")";
        return 0;
      }
    }
    stable.push_back(state);
    from = state;
    piece.clear();
  }
  if (!piece.empty()) {
    problem = "STATE path ends in " + std::string(tap_state_name(piece.back())) +
              ", which is no stable state (IDLE, RESET, DRPAUSE, IRPAUSE)";
    return 0;
  }
  return 1;
}

}  // namespace tapwright::prep
