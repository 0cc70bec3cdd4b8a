#include "jtag/tap.hpp"

namespace tapwright {

namespace {

// Where a clock with the level that holds it keeps the controller; Shift-DR
// and Shift-IR loop too, but a clock there shifts a bit.
bool holds(TapState state) {
  return state == TapState::run_test_idle || state == TapState::pause_dr ||
         state == TapState::pause_ir || state == TapState::test_logic_reset;
}

}  // namespace

int Tap::reset() {
  // Five clocks with TMS 1 reach Test-Logic-Reset from any state.
  if (!link_.clock_tms(0x1F, 6, 0)) return 0;
  state_ = TapState::run_test_idle;
  return 1;
}

int Tap::walk(TapState target) {
  // No caller passes an invalid target; refuse it without clocking rather
  // than walk towards a state that does not exist.
  if (!tap_state_valid(target)) return 0;
  if (state_ == target) return 1;
  const WalkPath path = walk_path(state_, target);
  if (!link_.clock_tms(path.tms, path.count, 0)) return 0;
  state_ = target;
  return 1;
}

int Tap::step(TapState next) {
  const int tms = tap_tms_between(state_, next);
  if (tms < 0 || !link_.clock_tms(static_cast<std::uint64_t>(tms), 1, 0)) return 0;
  state_ = next;
  return 1;
}

int Tap::hold(std::uint64_t count) {
  if (!holds(state_)) return 0;
  return link_.clock_held(count, tap_tms_between(state_, state_));
}

int Tap::shift(ShiftRun run) {
  const bool ir = state_ == TapState::shift_ir;
  if (!ir && state_ != TapState::shift_dr) return 0;
  run.compare = run.compare && compare_ == 1;
  if (!link_.shift(run)) return 0;
  if (run.exit && run.bits > 0) state_ = ir ? TapState::exit1_ir : TapState::exit1_dr;
  return 1;
}

}  // namespace tapwright
