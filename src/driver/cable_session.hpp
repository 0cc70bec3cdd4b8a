#pragma once
// One run on a cable, the same for every player: open and configure the
// device, reset the TAP controller, hand the TAP object to the caller's
// statements, drain, close. The caller says what each failing phase means
// to its user.
#include <cstdint>
#include <functional>
#include <string>

#include "jtag/tap.hpp"
#include "link/cable_table.hpp"
#include "link/device.hpp"

namespace tapwright {

struct CableSetup {
  int compare = 0;  // exactly 1: TDO is read back and compared
  // A named cable, opened and driven as its row says; null: tapwright's
  // own bring-up of the first device in bit-bang mode.
  const CableRow* cable = nullptr;
  char channel = 'A';
  std::uint64_t tck_hz = 0;  // the rate to start at; 0: 6 MHz (MPSSE), the fastest (bit-bang)
  // A bit-bang cable's wiring (the row's, or one given); its reset lines.
  PinMap pins = {};
};

// Where a run on the cable ended.
enum class CablePhase {
  open,       // the device could not be opened
  configure,  // it refused its mode or its set-up
  reset,      // the reset's clocks could not be written
  play,       // the caller's statements failed (nothing is drained)
  drain,      // the last clocks could not be written or read back
  done,       // everything was played and drained
};

struct CableRun {
  CablePhase end = CablePhase::open;
  // Compared TDO bits that differed; final when the run was drained.
  std::int64_t mismatches = 0;
  // What went wrong in the configure phase, for a message.
  std::string detail;
};

// The rate an MPSSE cable starts at when none is asked for.
inline constexpr std::uint64_t default_mpsse_hz = 6'000'000;

// `play` gets the TAP object in Run-Test/Idle after the reset; it returns
// 1 to have the run drained, 0 when its statements failed. The device is
// closed before this returns.
CableRun run_on_cable(Device& device, const CableSetup& setup,
                      const std::function<int(Tap&)>& play);

}  // namespace tapwright
