#pragma once
// The lowering of STATE paths to tapwright's walks.
#include <string>
#include <vector>

#include "jtag/tap_state.hpp"

namespace tapwright::prep {

// Turns a STATE statement's states, followed from `current` and already
// checked against the state graph, into the stable states tapwright walks
// to. A single state is walked to. A longer path is cut after each stable
// state, and each piece must be exactly the states tapwright's own walk
// passes through (RESET alone being reached with TMS 1 from anywhere), so
// that the clocks on the wire are those the path names. 0 and a reason in
// `problem` otherwise.
int lower_state_path(TapState current, const std::vector<TapState>& path,
                     std::vector<TapState>& stable, std::string& problem);

}  // namespace tapwright::prep
