#pragma once
// SVF's names of the TAP states and the rules of a STATE path.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/tap_state.hpp"

namespace tapwright::fullsvf {

// Any of the sixteen SVF state names ("DRPAUSE", "IREXIT2"), in any case.
std::optional<TapState> svf_state_from_word(std::string_view word);

// IDLE, RESET, DRPAUSE, IRPAUSE: the states a statement may end in.
bool is_stable(TapState state);

// The current state and the states of a STATE statement, in SVF's names
// ("IRPAUSE IREXIT2 IRUPDATE"), for messages; a long path is shortened.
std::string state_names(TapState from, const std::vector<TapState>& states);

// A path of two or more states is followed one clock per state, so each
// must follow the one before it in the IEEE 1149.1 state graph; RESET may
// stand anywhere, since TMS held at 1 reaches it from every state. The
// path must end in a stable state. Where the controller is, `from`, is not
// known after a statement that went wrong: then only the path's own steps
// are judged. 1, or 0 and the reason in `problem`.
int check_state_path(TapState from, const std::vector<TapState>& path, std::string& problem,
                     bool from_known = true);

}  // namespace tapwright::fullsvf
