#pragma once
// The sixteen states of an IEEE 1149.1 TAP controller as a simulated device
// walks them, numbered as the player numbers them so that tests can compare
// the two, and the transition taken on each rising edge of TCK.
#include <array>
#include <cstdint>

namespace tapwright::sim {

enum class ControllerState : std::uint8_t {
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

namespace controller_detail {
using S = ControllerState;
// Row per state: the next state for TMS 0, then for TMS 1.
inline constexpr std::array<std::array<ControllerState, 2>, 16> next_table = {{
    {S::run_test_idle, S::test_logic_reset},  // Test-Logic-Reset
    {S::run_test_idle, S::select_dr_scan},    // Run-Test/Idle
    {S::capture_dr, S::select_ir_scan},       // Select-DR-Scan
    {S::shift_dr, S::exit1_dr},               // Capture-DR
    {S::shift_dr, S::exit1_dr},               // Shift-DR
    {S::pause_dr, S::update_dr},              // Exit1-DR
    {S::pause_dr, S::exit2_dr},               // Pause-DR
    {S::shift_dr, S::update_dr},              // Exit2-DR
    {S::run_test_idle, S::select_dr_scan},    // Update-DR
    {S::capture_ir, S::test_logic_reset},     // Select-IR-Scan
    {S::shift_ir, S::exit1_ir},               // Capture-IR
    {S::shift_ir, S::exit1_ir},               // Shift-IR
    {S::pause_ir, S::update_ir},              // Exit1-IR
    {S::pause_ir, S::exit2_ir},               // Pause-IR
    {S::shift_ir, S::update_ir},              // Exit2-IR
    {S::run_test_idle, S::select_dr_scan},    // Update-IR
}};
}  // namespace controller_detail

constexpr int controller_code(ControllerState s) {
  return static_cast<int>(s);
}

constexpr ControllerState controller_next(ControllerState current, int tms) {
  return controller_detail::next_table[static_cast<std::size_t>(current)][tms & 1];
}

}  // namespace tapwright::sim
