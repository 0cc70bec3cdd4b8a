#pragma once
// The TAP controller's transitions as IEEE 1149.1 draws them, written out
// state by state so that the tests check the walk table against the standard
// rather than against itself.
#include "jtag/tap_state.hpp"

namespace tapwright::testing {

// By the standard's state code, the codes of the next state on TMS 0 and on
// TMS 1. The codes: 0 Test-Logic-Reset, 1 Run-Test/Idle; 2 Select-DR-Scan,
// 3 Capture-DR, 4 Shift-DR, 5 Exit1-DR, 6 Pause-DR, 7 Exit2-DR, 8 Update-DR;
// 9 to 15 the same seven states of the IR column.
inline constexpr int ieee_tap_graph[16][2] = {
    {1, 0}, {1, 2},  {3, 9},   {4, 5},   {4, 5},   {6, 8},   {6, 7},   {4, 8},
    {1, 2}, {10, 0}, {11, 12}, {11, 12}, {13, 15}, {13, 14}, {11, 15}, {1, 2},
};

inline TapState ieee_next(TapState from, int tms) {
  return TapState(ieee_tap_graph[tap_code(from)][tms]);
}

}  // namespace tapwright::testing
