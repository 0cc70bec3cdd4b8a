#pragma once
// One run on a cable, the same for every player: open and configure the
// device, reset the TAP controller, hand the TAP object to the caller's
// statements, drain, close. The caller says what each failing phase means
// to its user.
#include <functional>

#include "jtag/tap.hpp"
#include "link/device.hpp"

namespace tapwright {

struct CableSetup {
  int compare = 0;  // exactly 1: TDO is read back and compared
};

// Where a run on the cable ended.
enum class CablePhase {
  open,       // the device could not be opened
  configure,  // it refused its mode
  reset,      // the reset's clocks could not be written
  play,       // the caller's statements failed (nothing is drained)
  drain,      // the last clocks could not be written or read back
  done,       // everything was played and drained
};

struct CableRun {
  CablePhase end = CablePhase::open;
  // Compared TDO bits that differed; final when the run was drained.
  std::int64_t mismatches = 0;
};

// `play` gets the TAP object in Run-Test/Idle after the reset; it returns
// 1 to have the run drained, 0 when its statements failed. The device is
// closed before this returns.
CableRun run_on_cable(Device& device, const CableSetup& setup,
                      const std::function<int(Tap&)>& play);

}  // namespace tapwright
