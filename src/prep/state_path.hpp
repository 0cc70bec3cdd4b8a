#pragma once
// SVF state names and the lowering of STATE paths to tapwright's walks.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/tap_state.hpp"

namespace tapwright::prep {

// Any of the sixteen SVF state names ("DRPAUSE", "IREXIT2"), in any case.
std::optional<TapState> svf_state_from_word(std::string_view word);

// IDLE, RESET, DRPAUSE, IRPAUSE: the states tapwright can be told to reach.
bool is_stable(TapState state);

// Turns the states of a STATE statement, walked from `current`, into the
// stable states tapwright walks to. The list is cut after each stable state;
// a piece that names unstable states on the way must be exactly the states
// tapwright's own walk passes through, so that the clocks on the wire are the
// same. 0 and a reason in `problem` otherwise.
int lower_state_path(TapState current, const std::vector<TapState>& path,
                     std::vector<TapState>& stable, std::string& problem);

}  // namespace tapwright::prep
