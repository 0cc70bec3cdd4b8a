#pragma once
// tapwright-play from its arguments to its exit status: check the whole
// file, bring up the cable, reset, play, drain, report.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "link/device.hpp"
#include "play/host_clock.hpp"

namespace tapwright::play {

struct PlayStreams {
  std::FILE* out;  // echo, summary, usage
  std::FILE* err;  // problems, progress
};

// `real_cable` is asked for the cable only when the run plays into one.
// Returns the exit status (cli/exit_status.hpp).
int play_main(const std::vector<std::string>& args, const PlayStreams& streams, HostClock& clock,
              const std::function<Device&()>& real_cable);

}  // namespace tapwright::play
