#include "jtag/tap_controller.hpp"

#include "jtag/tap.hpp"
#include "link/bit_bang_link.hpp"

namespace tapwright {

// The reset of the TAP object, on a link over this stream.
int tap_reset(ClockStream& stream, DeviceHandle device, TapState& state, int compare) {
  BitBangLink link(stream, device, compare);
  Tap tap(link, compare, state);
  if (!tap.reset()) return 0;
  state = tap.state();
  return 1;
}

int tap_goto(ClockStream& stream, DeviceHandle device, TapState& state, TapState target,
             int compare) {
  // No caller passes an invalid target; refuse it without clocking rather
  // than walk forever towards a state that does not exist.
  if (!tap_state_valid(target)) return 0;
  while (state != target) {
    if (!tap_state_valid(state)) return 1;
    const WalkStep step = walk_step(state, target);
    if (!stream.tap_clock(device, step.tms, 0, 0, 0, compare, 0)) return 0;
    state = step.next;
  }
  return 1;
}

// One step or hold of the TAP object, on a link over this stream.
int tap_step(ClockStream& stream, DeviceHandle device, TapState& state, TapState next,
             int compare) {
  BitBangLink link(stream, device, compare);
  Tap tap(link, compare, state);
  if (!tap.step(next)) return 0;
  state = tap.state();
  return 1;
}

int tap_hold(ClockStream& stream, DeviceHandle device, TapState state, std::uint64_t count,
             int compare) {
  BitBangLink link(stream, device, compare);
  Tap tap(link, compare, state);
  return tap.hold(count);
}

}  // namespace tapwright
