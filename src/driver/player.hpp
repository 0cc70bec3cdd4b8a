#pragma once
// The whole run of the player: arguments, SVF file, device bring-up, reset,
// the statements, the final drain, the summary and the release of all of it.
#include <cstdio>
#include <string_view>

#include "cli/exit_status.hpp"
#include "link/device.hpp"

namespace tapwright {

// The exit statuses every program shares.
using cli::exit_failed;
using cli::exit_mismatched;
using cli::exit_ok;

struct PlayerStreams {
  std::FILE* out;  // usage, echo, summary
  std::FILE* err;  // one message per failed run
  // Printed after the usage text for "-h" (a front end's own options).
  std::string_view usage_tail = {};
  // Printed for "-h" instead of tapwright's own first line of the usage.
  std::string_view usage_line = {};
};

// Plays the SVF file named among `argv` (argv[0] is the program name) into
// the chain behind `device`. Returns the exit status.
int run_player(int argc, const char* const* argv, Device& device, const PlayerStreams& streams);

// The SVF path that run_player would open for these arguments, or null
// (none given, or "-h" or "--help" among them).
const char* player_svf_path(int argc, const char* const* argv);

}  // namespace tapwright
