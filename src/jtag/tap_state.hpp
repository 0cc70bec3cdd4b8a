#pragma once
// The sixteen states of the IEEE 1149.1 TAP controller and the walk table
// that gives the shortest TMS path between any two of them.
#include <cstdint>
#include <string_view>

namespace tapwright {

enum class TapState : std::int32_t {
  test_logic_reset = 0,
  run_test_idle = 1,
  select_dr_scan = 2,
  capture_dr = 3,
  shift_dr = 4,
  exit1_dr = 5,
  pause_dr = 6,
  exit2_dr = 7,
  update_dr = 8,
  select_ir_scan = 9,
  capture_ir = 10,
  shift_ir = 11,
  exit1_ir = 12,
  pause_ir = 13,
  exit2_ir = 14,
  update_ir = 15,
};

inline constexpr int tap_state_count = 16;

constexpr int tap_code(TapState s) {
  return static_cast<std::int32_t>(s);
}
constexpr bool tap_state_valid(TapState s) {
  return static_cast<std::uint32_t>(tap_code(s)) < tap_state_count;
}

// One row of the walk table: the targets for which the row clocks TMS 0 (a
// bit set per target code), and the state each TMS level leads to. The TMS-0
// loops of the stable states and the TMS-1 loop of Test-Logic-Reset are never
// chosen, so every step of a walk changes the state.
struct WalkRow {
  std::uint16_t tms0_targets;
  TapState next_on_tms0;
  TapState next_on_tms1;
};

namespace walk_detail {
constexpr std::uint16_t bits(int first, int last) {
  std::uint16_t set = 0;
  for (int code = first; code <= last; ++code) set = static_cast<std::uint16_t>(set | (1u << code));
  return set;
}
constexpr std::uint16_t bit(int code) {
  return static_cast<std::uint16_t>(1u << code);
}
}  // namespace walk_detail

inline constexpr WalkRow walk_table[tap_state_count] = {
    // Test-Logic-Reset: every other target lies beyond Run-Test/Idle.
    {walk_detail::bits(1, 15), TapState::run_test_idle, TapState::test_logic_reset},
    // Run-Test/Idle
    {0, TapState::run_test_idle, TapState::select_dr_scan},
    // Select-DR-Scan
    {walk_detail::bits(3, 8), TapState::capture_dr, TapState::select_ir_scan},
    // Capture-DR
    {walk_detail::bit(4), TapState::shift_dr, TapState::exit1_dr},
    // Shift-DR
    {0, TapState::shift_dr, TapState::exit1_dr},
    // Exit1-DR
    {walk_detail::bit(4) | walk_detail::bit(6) | walk_detail::bit(7), TapState::pause_dr,
     TapState::update_dr},
    // Pause-DR
    {0, TapState::pause_dr, TapState::exit2_dr},
    // Exit2-DR
    {walk_detail::bits(4, 6), TapState::shift_dr, TapState::update_dr},
    // Update-DR
    {walk_detail::bit(1), TapState::run_test_idle, TapState::select_dr_scan},
    // Select-IR-Scan
    {walk_detail::bits(10, 15), TapState::capture_ir, TapState::test_logic_reset},
    // Capture-IR
    {walk_detail::bit(11), TapState::shift_ir, TapState::exit1_ir},
    // Shift-IR
    {0, TapState::shift_ir, TapState::exit1_ir},
    // Exit1-IR
    {walk_detail::bit(11) | walk_detail::bit(13) | walk_detail::bit(14), TapState::pause_ir,
     TapState::update_ir},
    // Pause-IR
    {0, TapState::pause_ir, TapState::exit2_ir},
    // Exit2-IR
    {walk_detail::bits(11, 13), TapState::shift_ir, TapState::update_ir},
    // Update-IR
    {walk_detail::bit(1), TapState::run_test_idle, TapState::select_dr_scan},
};

// One step of the walk from `current` (a valid state) towards `target`.
struct WalkStep {
  int tms;
  TapState next;
};

constexpr WalkStep walk_step(TapState current, TapState target) {
  const WalkRow& row = walk_table[tap_code(current)];
  const bool tms0 = tap_state_valid(target) && (row.tms0_targets >> tap_code(target)) & 1u;
  return tms0 ? WalkStep{0, row.next_on_tms0} : WalkStep{1, row.next_on_tms1};
}

// The whole walk from `from` to `target`: the TMS of clock i in bit i. At
// most eight clocks; none when the two are the same.
struct WalkPath {
  std::uint64_t tms = 0;
  int count = 0;
};

constexpr WalkPath walk_path(TapState from, TapState target) {
  WalkPath path;
  for (TapState s = from; s != target; ++path.count) {
    const WalkStep step = walk_step(s, target);
    path.tms |= static_cast<std::uint64_t>(step.tms) << path.count;
    s = step.next;
  }
  return path;
}

// The IEEE 1149.1 transition for one clock with the given TMS, loops included.
constexpr TapState tap_next_state(TapState current, int tms) {
  const WalkRow& row = walk_table[tap_code(current)];
  return tms ? row.next_on_tms1 : row.next_on_tms0;
}

// The TMS level of one clock that moves the controller from `from` to `to`
// (the loops of the stable states included), or -1 when no single clock
// does.
constexpr int tap_tms_between(TapState from, TapState to) {
  if (!tap_state_valid(from) || !tap_state_valid(to)) return -1;
  if (tap_next_state(from, 0) == to) return 0;
  if (tap_next_state(from, 1) == to) return 1;
  return -1;
}

// The SVF stable-state words: "IDLE", "RESET", "IRPAUSE", "DRPAUSE", matched
// whole and case-sensitively. Writes `state` only on a match.
int tap_state_from_name(std::string_view word, TapState& state);

// The SVF name of a stable state, or the IEEE name of any other.
std::string_view tap_state_name(TapState state);

}  // namespace tapwright
