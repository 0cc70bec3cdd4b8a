#include "prep/state_path.hpp"

#include "fullsvf/svf_states.hpp"

namespace tapwright::prep {

int lower_state_path(TapState current, const std::vector<TapState>& path,
                     std::vector<TapState>& stable, std::string& problem) {
  if (path.size() == 1) {
    stable = path;
    return 1;
  }
  TapState from = current;
  std::vector<TapState> piece;
  for (TapState state : path) {
    piece.push_back(state);
    if (!fullsvf::is_stable(state)) continue;
    const bool reset_alone =
        piece.size() == 1 && state == TapState::test_logic_reset && from != state;
    if (!reset_alone) {
      std::vector<TapState> walk;
      for (TapState s = from; s != state;) {
        s = walk_step(s, state).next;
        walk.push_back(s);
      }
      if (walk != piece) {
        problem = "STATE path " + fullsvf::state_names(from, piece) +
                  " is not the walk tapwright makes to " + std::string(tap_state_name(state)) +
                  " (" + fullsvf::state_names(from, walk) + ")";
        return 0;
      }
    }
    stable.push_back(state);
    from = state;
    piece.clear();
  }
  return 1;
}

}  // namespace tapwright::prep
