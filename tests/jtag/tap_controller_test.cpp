// The TAP controller's steps and holds against the state graph of IEEE
// 1149.1, for every pair of states. (The walks, the reset, and walks that a
// failing clock stops are seen on the wire in the players' tests.)
#include "jtag/tap_controller.hpp"

#include <gtest/gtest.h>

#include "ieee_tap_graph.hpp"
#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

// A step goes along one edge of the graph, a hold loops in a stable state
// (not in Shift, where a clock shifts a bit); anything else clocks nothing.
TEST(TapStepAndHold, OnlyAlongTheGraph) {
  for (int f = 0; f < 16; ++f) {
    for (int t = 0; t < 16; ++t) {
      testing::ScriptedDevice device;
      ClockStream stream(device);
      TapState state = TapState(f);
      const int tms = testing::ieee_tap_graph[f][0] == t   ? 0
                      : testing::ieee_tap_graph[f][1] == t ? 1
                                                           : -1;
      const bool stable = f == t && tms >= 0 && f != 4 && f != 11;
      const int cycles = f == t ? (stable ? 3 : 0) : tms >= 0;
      ASSERT_EQ(f == t ? tap_hold(stream, testing::scripted_handle(), state, 3, 0)
                       : tap_step(stream, testing::scripted_handle(), state, TapState(t), 0),
                cycles > 0 ? 1 : 0)
          << f << " to " << t;
      ASSERT_EQ(stream.out_len(), 2 * cycles) << f << " to " << t;
      for (int i = 0; i < stream.out_len(); ++i)
        EXPECT_EQ((stream.out_buf()[i] & pin_tms) != 0, tms == 1);
      EXPECT_EQ(state, cycles ? TapState(t) : TapState(f));
    }
  }
}

}  // namespace
}  // namespace tapwright
