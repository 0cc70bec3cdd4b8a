#pragma once
// The messages of a run on a cable that never came to play: no cable, a
// cable that refused its mode, a reset that could not be written.
#include <cstdio>
#include <string>

#include "driver/cable_session.hpp"

namespace tapwright::play {

// For a run that ended before playing: its message on `err` (`what` names
// the run: the file, or the option) and 1; otherwise 0 and nothing.
int report_cable_failure(const CableRun& run, const std::string& what, std::FILE* err);

}  // namespace tapwright::play
