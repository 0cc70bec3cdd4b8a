#pragma once
// The TAP controller of the chain as the players drive it: its state,
// tracked in software, the link it is clocked through and whether TDO is
// compared. Every walk, step, hold and shift goes through here, so that
// the state always follows what was clocked.
#include <cstdint>

#include "jtag/tap_state.hpp"
#include "link/cable_link.hpp"

namespace tapwright {

class Tap {
 public:
  // `state`: where the controller is known to be (a checking pass that
  // never resets starts in Run-Test/Idle).
  Tap(CableLink& link, int compare, TapState state = TapState::test_logic_reset)
      : link_(link), compare_(compare == 1 ? 1 : 0), state_(state) {}
  Tap(const Tap&) = delete;
  Tap& operator=(const Tap&) = delete;

  // Five clocks with TMS 1, one with TMS 0: Run-Test/Idle from any state.
  int reset();
  // The shortest TMS path to `target`; no clock when already there.
  int walk(TapState target);
  // One clock to `next`, which must follow the current state in the state
  // graph (a stable state's loop included); 0 without a clock otherwise.
  int step(TapState next);
  // `count` clocks that keep the controller where it is: in Run-Test/Idle,
  // Pause-DR, Pause-IR and Test-Logic-Reset; 0 without a clock elsewhere.
  int hold(std::uint64_t count);
  // From Shift-IR or Shift-DR: one run of a scan's bits, compared only in
  // compare mode. With `run.exit` and at least one bit the controller ends
  // in Exit1; a scan in parts exits on its last part only.
  int shift(ShiftRun run);
  int sync() { return link_.sync(); }
  int drain() { return link_.drain(); }

  TapState state() const { return state_; }
  int compare() const { return compare_; }
  CableLink& link() { return link_; }
  const CableLink& link() const { return link_; }

 private:
  CableLink& link_;
  int compare_;
  TapState state_;
};

}  // namespace tapwright
