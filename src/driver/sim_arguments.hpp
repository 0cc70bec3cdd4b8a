#pragma once
// The simulator's own options, taken out of the argument list wherever they
// stand, as "--opt VALUE" or "--opt=VALUE"; everything else goes to the
// player's argument scan unchanged.
#include <string>
#include <vector>

#include "sim/sim_options.hpp"

namespace tapwright {

enum class SimOptionMatch { not_ours, taken, error };

// Looks at argv[at]. `not_ours`: no simulator option. `taken`: its value is
// stored in `options`, and `at` is on the last argument it used. `error`:
// the value is missing, empty or malformed, and `reason` says so. The
// options: --chain, --capture-out, --capture-in, --vcd, --vcd-limit, --fault.
SimOptionMatch take_sim_option(int argc, const char* const* argv, int& at, sim::SimOptions& options,
                               std::string& reason);

struct SimArguments {
  sim::SimOptions options;
  // argv[0] and every argument that is not a simulator option, in order.
  std::vector<const char*> player_args;
  // The reason for the user when an option was refused.
  std::string error;
};

// 1 when every simulator option was taken; 0 with `error` set.
int split_sim_arguments(int argc, const char* const* argv, SimArguments& out);

// True when the player's own scan would stop at "-h".
bool asks_for_help(const std::vector<const char*>& player_args);

// The help of tapwright-sim: its own usage line, and the text after the
// player's options.
extern const char* const sim_usage_line;
extern const char* const sim_usage_tail;

}  // namespace tapwright
