#pragma once
// The simulator's own options, taken out of the argument list wherever they
// stand; everything else goes to the player's argument scan unchanged.
#include <string>
#include <vector>

namespace tapwright {

struct SimArguments {
  std::string chain;
  std::string capture_out;
  std::string capture_in;
  std::string vcd;
  std::string fault;
  bool chain_given = false;
  // argv[0] and every argument that is not a simulator option, in order.
  std::vector<const char*> player_args;
  // Set when an option has no argument; the reason for the user.
  std::string error;
};

// 1 when every simulator option had its argument; 0 with `error` set.
int split_sim_arguments(int argc, const char* const* argv, SimArguments& out);

// True when the player's own scan would stop at "-h".
bool asks_for_help(const std::vector<const char*>& player_args);

extern const char* const sim_usage_tail;

}  // namespace tapwright
