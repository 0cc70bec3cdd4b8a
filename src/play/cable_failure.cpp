#include "play/cable_failure.hpp"

namespace tapwright::play {

int report_cable_failure(const CableRun& run, const std::string& what, std::FILE* err) {
  switch (run.end) {
    case CablePhase::open:
      std::fprintf(err, "tapwright-play: no cable: cannot open the first FTDI device\n");
      return 1;
    case CablePhase::configure:
      std::fprintf(err, "tapwright-play: %s\n",
                   run.detail.empty() ? "the cable refused bit-bang mode" : run.detail.c_str());
      return 1;
    case CablePhase::reset:
      std::fprintf(err, "tapwright-play: %s: the cable failed during the reset\n", what.c_str());
      return 1;
    case CablePhase::play:
    case CablePhase::drain:
    case CablePhase::done:
      break;
  }
  return 0;
}

}  // namespace tapwright::play
