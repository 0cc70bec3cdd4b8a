#include "jtag/tap_controller.hpp"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "ieee_tap_graph.hpp"
#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::ieee_next;
using testing::scripted_handle;
using testing::ScriptedDevice;
using Tms = std::vector<int>;

// TMS of every cycle in the stream's unwritten buffer, from cycle `first` on;
// also checks that each cycle drives TDI 0.
Tms buffered_tms(const ClockStream& stream, int first = 0) {
  Tms tms;
  for (int i = 2 * first; i < stream.out_len(); i += 2) {
    EXPECT_EQ(stream.out_buf()[i] & pin_tdi, 0) << "cycle " << i / 2 << " drives TDI";
    tms.push_back((stream.out_buf()[i] & pin_tms) ? 1 : 0);
  }
  return tms;
}

// Appends idle cycles so that the next clock is number `n` + 1 of the block.
void prefill(ClockStream& stream, int n) {
  for (int i = 0; i < n; ++i) ASSERT_EQ(stream.tap_clock(scripted_handle(), 0, 0, 0, 0, 0, 0), 1);
}

struct ShortestPath {
  Tms tms;
  int count = 0;  // how many TMS sequences of that length reach the target
};

// Breadth-first search over the standard's state graph.
ShortestPath shortest_path(TapState from, TapState to) {
  std::array<int, 16> distance;
  distance.fill(-1);
  std::array<int, 16> paths{};
  std::array<Tms, 16> route{};
  std::deque<TapState> queue{from};
  distance[tap_code(from)] = 0;
  paths[tap_code(from)] = 1;
  while (!queue.empty()) {
    const TapState s = queue.front();
    queue.pop_front();
    for (int tms = 0; tms < 2; ++tms) {
      const TapState n = ieee_next(s, tms);
      const int d = distance[tap_code(s)] + 1;
      if (distance[tap_code(n)] == -1) {
        distance[tap_code(n)] = d;
        route[tap_code(n)] = route[tap_code(s)];
        route[tap_code(n)].push_back(tms);
        queue.push_back(n);
      }
      if (distance[tap_code(n)] == d) paths[tap_code(n)] += paths[tap_code(s)];
    }
  }
  return {route[tap_code(to)], paths[tap_code(to)]};
}

TEST(TapGoto, EveryWalkIsTheUniqueShortestPathOfTheStandard) {
  std::size_t longest = 0;
  for (int from = 0; from < tap_state_count; ++from) {
    for (int to = 0; to < tap_state_count; ++to) {
      SCOPED_TRACE(std::string(tap_state_name(TapState(from))) + " -> " +
                   std::string(tap_state_name(TapState(to))));
      const ShortestPath expected = shortest_path(TapState(from), TapState(to));
      ASSERT_EQ(expected.count, 1) << "the shortest path should be unique";
      ScriptedDevice device;
      device.write_counts.push_back(0);  // a walk that never ends fails at 2048 clocks
      ClockStream stream(device);
      TapState state = TapState(from);
      ASSERT_EQ(tap_goto(stream, scripted_handle(), state, TapState(to), 0), 1);
      EXPECT_EQ(state, TapState(to));
      EXPECT_EQ(buffered_tms(stream), expected.tms);
      longest = std::max(longest, expected.tms.size());
    }
  }
  EXPECT_EQ(longest, 8u);
}

TEST(TapGoto, NamedWalks) {
  struct Walk {
    TapState from, to;
    Tms tms;
  };
  using S = TapState;
  const Walk walks[] = {
      {S::run_test_idle, S::run_test_idle, {}},
      {S::run_test_idle, S::shift_ir, {1, 1, 0, 0}},
      {S::run_test_idle, S::shift_dr, {1, 0, 0}},
      {S::exit1_ir, S::run_test_idle, {1, 0}},
      {S::run_test_idle, S::test_logic_reset, {1, 1, 1}},
      {S::select_dr_scan, S::run_test_idle, {1, 1, 0}},
      {S::select_ir_scan, S::shift_dr, {1, 0, 1, 0, 0}},
      {S::exit2_dr, S::pause_dr, {0, 1, 0}},
      {S::exit2_dr, S::exit1_dr, {0, 1}},
      {S::capture_dr, S::exit2_ir, {1, 1, 1, 1, 0, 1, 0, 1}},
      {S::shift_dr, S::exit2_ir, {1, 1, 1, 1, 0, 1, 0, 1}},
      {S::pause_dr, S::exit2_ir, {1, 1, 1, 1, 0, 1, 0, 1}},
  };
  for (const Walk& w : walks) {
    SCOPED_TRACE(std::string(tap_state_name(w.from)) + " -> " + std::string(tap_state_name(w.to)));
    ScriptedDevice device;
    device.write_counts.push_back(0);  // a walk that never ends fails at 2048 clocks
    ClockStream stream(device);
    TapState state = w.from;
    ASSERT_EQ(tap_goto(stream, scripted_handle(), state, w.to, 0), 1);
    EXPECT_EQ(state, w.to);
    EXPECT_EQ(buffered_tms(stream), w.tms);
  }
}

// An undefined current state ends the walk at once; an undefined target
// is refused. Neither clocks.
TEST(TapGoto, InvalidStatesClockNothing) {
  for (const int code : {16, 255, -1}) {
    SCOPED_TRACE(code);
    ScriptedDevice device;
    ClockStream stream(device);
    TapState state = TapState(code);
    EXPECT_EQ(tap_goto(stream, scripted_handle(), state, TapState::run_test_idle, 0), 1);
    EXPECT_EQ(tap_code(state), code);
    state = TapState::exit1_dr;
    EXPECT_EQ(tap_goto(stream, scripted_handle(), state, TapState(code), 0), 0);
    EXPECT_EQ(state, TapState::exit1_dr);
    EXPECT_EQ(stream.out_len(), 0);
  }
}

// The k-th clock of the longest walk fills the block and its write fails:
// the walk stops there, in the state reached before that clock.
TEST(TapGoto, ClockFailingMidWalk) {
  const Tms path = {1, 1, 1, 1, 0, 1, 0, 1};  // Capture-DR to Exit2-IR
  for (int k = 1; k <= 8; ++k) {
    SCOPED_TRACE(k);
    ScriptedDevice device;
    ClockStream stream(device);
    prefill(stream, block_cycles - k);
    device.write_counts.push_back(0);
    TapState state = TapState::capture_dr;
    EXPECT_EQ(tap_goto(stream, scripted_handle(), state, TapState::exit2_ir, 0), 0);
    TapState reached = TapState::capture_dr;
    for (int i = 0; i < k - 1; ++i) reached = ieee_next(reached, path[i]);
    EXPECT_EQ(state, reached);
    EXPECT_EQ(buffered_tms(stream, block_cycles - k), Tms(path.begin(), path.begin() + k));
    EXPECT_EQ(device.write_sizes.size(), 1u) << "no clock after the failed one";
  }
}

TEST(TapReset, SixClocksFromAnyStateToRunTestIdle) {
  ScriptedDevice device;
  ClockStream stream(device);
  TapState state = TapState(99);  // undefined before the reset
  ASSERT_EQ(tap_reset(stream, scripted_handle(), state, 0), 1);
  EXPECT_EQ(state, TapState::run_test_idle);
  ASSERT_EQ(stream.out_len(), 12);
  const std::vector<std::uint8_t> expected = {0x02, 0x06, 0x02, 0x06, 0x02, 0x06,
                                              0x02, 0x06, 0x02, 0x06, 0x00, 0x04};
  EXPECT_EQ(std::vector<std::uint8_t>(stream.out_buf(), stream.out_buf() + 12), expected);

  // Whatever state the controller was in, these clocks leave it in Run-Test/Idle.
  for (const auto& t : testing::ieee_tap_graph) {
    TapState s = t.from;
    for (const int tms : buffered_tms(stream)) s = ieee_next(s, tms);
    EXPECT_EQ(s, TapState::run_test_idle) << tap_code(t.from);
  }
}

// In compare mode the reset and the walks record their clocks, none cared for.
TEST(TapReset, CompareModeRecordsClocksWithoutCare) {
  ScriptedDevice device;
  ClockStream stream(device);
  TapState state = TapState::shift_dr;
  ASSERT_EQ(tap_reset(stream, scripted_handle(), state, 1), 1);
  ASSERT_EQ(tap_goto(stream, scripted_handle(), state, TapState::shift_ir, 1), 1);
  ASSERT_EQ(stream.bank(0).clocks, 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(expectation_byte(stream.bank(0).entries[i]), 0) << i;
}

TEST(TapReset, FailingClockLeavesTheStateUnwritten) {
  for (int k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    ScriptedDevice device;
    ClockStream stream(device);
    prefill(stream, block_cycles - k);
    device.write_counts.push_back(4095);
    TapState state = TapState::pause_ir;
    EXPECT_EQ(tap_reset(stream, scripted_handle(), state, 0), 0);
    EXPECT_EQ(state, TapState::pause_ir);
    EXPECT_EQ(device.write_sizes.size(), 1u);
    EXPECT_EQ(buffered_tms(stream, block_cycles - k).size(), static_cast<std::size_t>(k));
  }
}

}  // namespace
}  // namespace tapwright
