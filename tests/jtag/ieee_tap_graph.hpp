#pragma once
// The TAP controller's transitions as IEEE 1149.1 draws them, written out
// state by state so that the tests check the walk table against the standard
// rather than against itself.
#include <array>

#include "jtag/tap_state.hpp"

namespace tapwright::testing {

struct IeeeTransition {
  TapState from;
  TapState on_tms0;
  TapState on_tms1;
};

inline constexpr std::array<IeeeTransition, 16> ieee_tap_graph = {{
    {TapState::test_logic_reset, TapState::run_test_idle, TapState::test_logic_reset},
    {TapState::run_test_idle, TapState::run_test_idle, TapState::select_dr_scan},
    {TapState::select_dr_scan, TapState::capture_dr, TapState::select_ir_scan},
    {TapState::capture_dr, TapState::shift_dr, TapState::exit1_dr},
    {TapState::shift_dr, TapState::shift_dr, TapState::exit1_dr},
    {TapState::exit1_dr, TapState::pause_dr, TapState::update_dr},
    {TapState::pause_dr, TapState::pause_dr, TapState::exit2_dr},
    {TapState::exit2_dr, TapState::shift_dr, TapState::update_dr},
    {TapState::update_dr, TapState::run_test_idle, TapState::select_dr_scan},
    {TapState::select_ir_scan, TapState::capture_ir, TapState::test_logic_reset},
    {TapState::capture_ir, TapState::shift_ir, TapState::exit1_ir},
    {TapState::shift_ir, TapState::shift_ir, TapState::exit1_ir},
    {TapState::exit1_ir, TapState::pause_ir, TapState::update_ir},
    {TapState::pause_ir, TapState::pause_ir, TapState::exit2_ir},
    {TapState::exit2_ir, TapState::shift_ir, TapState::update_ir},
    {TapState::update_ir, TapState::run_test_idle, TapState::select_dr_scan},
}};

inline TapState ieee_next(TapState from, int tms) {
  for (const IeeeTransition& t : ieee_tap_graph) {
    if (t.from == from) return tms ? t.on_tms1 : t.on_tms0;
  }
  return from;
}

}  // namespace tapwright::testing
