#pragma once
// Reset and walks of the TAP controller. Its state is tracked in software
// only; every clock goes through the clock stream.
#include "jtag/tap_state.hpp"
#include "link/clock_stream.hpp"

namespace tapwright {

// Five clocks with TMS 1, one with TMS 0: Run-Test/Idle from any state.
// Writes `state` only on success.
int tap_reset(ClockStream& stream, DeviceHandle device, TapState& state, int compare);

// Walks the shortest TMS path from `state` to `target`, updating `state`
// after each clock. A current state that is no valid code, or a target that
// is none, ends the walk at once without a clock (result 1 and 0).
int tap_goto(ClockStream& stream, DeviceHandle device, TapState& state, TapState target,
             int compare);

// One clock from `state` to `next`, which must follow it in the state graph
// (a stable state's loop included); 0 without a clock when it does not.
int tap_step(ClockStream& stream, DeviceHandle device, TapState& state, TapState next, int compare);

// `count` clocks that keep the controller where it is: TMS 0 in Run-Test/Idle,
// Pause-DR and Pause-IR, TMS 1 in Test-Logic-Reset. 0 without a clock in any
// other state, where no level of TMS holds it.
int tap_hold(ClockStream& stream, DeviceHandle device, TapState state, std::uint64_t count,
             int compare);

}  // namespace tapwright
