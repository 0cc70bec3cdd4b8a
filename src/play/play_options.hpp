#pragma once
// The command line of tapwright-play: its options as data, and what they
// make of a run.
#include <optional>
#include <string>
#include <vector>

#include "play/device_selectors.hpp"
#include "sim/sim_options.hpp"

namespace tapwright::play {

struct PlayOptions {
  std::string file;  // "-" is standard input
  int compare = 0;
  int verbose = 0;
  bool keep_going = false;
  bool check = false;
  bool help = false;
  bool version = false;
  std::optional<bool> progress;  // unset: on a terminal
  // The simulated cable instead of a real one, as tapwright-sim's options
  // describe it.
  bool sim = false;
  bool no_wait = false;  // with --sim: waits are not sat through
  std::string cable;     // a named cable; empty: the default
  char channel = 0;      // 'A'..'D'; 0: the cable's own
  std::string tck_hz;    // as given; empty: none
  std::string pins;      // a bit-bang wiring (--pins); empty: the cable's
  bool list_cables = false;
  bool detect = false;  // report what is on the chain; no FILE
  std::string device;   // the one device of the chain the file is for
  std::string chain;    // the chain as the user gives it (--chain)
  sim::SimOptions sim_options;
  DeviceSelectors selectors;  // which attached device, or --scan-usb
};

std::string play_usage();

// 1, or 0 with the reason in `problem`. `args` leaves out the program name.
int parse_play_options(const std::vector<std::string>& args, PlayOptions& options,
                       std::string& problem);

}  // namespace tapwright::play
