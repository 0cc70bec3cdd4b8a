// The clock stream against a scripted chip: every byte, transfer and
// read-back of whole runs in both modes. (The players' tests see it whole:
// every scan's digits, and a cable failing at every cycle.)
#include "link/clock_stream.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;
using Bytes = std::vector<std::uint8_t>;

// A chip in synchronous bit-bang mode wired TDI to TDO: the byte that raises
// TCK returns TDO at the level of TDI, the byte before it the opposite level,
// and the unused pins read high, so that a read-back that looks at the wrong
// byte or the wrong bit counts differently.
std::uint8_t loopback(std::uint8_t b) {
  const bool tdo = (b & pin_tck) ? (b & pin_tdi) : !(b & pin_tdi);
  return static_cast<std::uint8_t>(0xF0 | (tdo ? pin_tdo : 0) | (b & 0x07));
}

// Cycle i of a run. TDI has period 3 and care period 7, which divide no
// block size, so that a read-back shifted by a cycle or a block would not
// line up. The loopback contradicts the expected TDO of the cycles listed,
// of which 6 is not cared for.
const std::set<int> wrong_cycles = {0, 6, 2047, 2048, 3000, 4095, 4096, 4999};
struct Cycle {
  static int tms(int i) { return i % 5 == 0 ? 1 : 0; }
  static int tdi(int i) { return i % 3 == 0 ? 1 : 0; }
  static int wrong(int i) { return static_cast<int>(wrong_cycles.count(i)); }
  static int clock(ClockStream& stream, int i, int compare) {
    return stream.tap_clock(scripted_handle(), tms(i), tdi(i), tdi(i) ^ wrong(i), i % 7 != 6,
                            compare, 0);
  }
};

// The transfers as "w4096 r4096 ...", and each block read back as
// "first+cycles:differing", its first cycle counted from `round_start`.
struct Log final : ReadBackListener {
  void on_read_back(std::uint64_t first, const std::uint8_t*, const Expectation*, std::int32_t n,
                    std::int32_t differing) override {
    blocks += std::to_string(first - round_start) + "+" + std::to_string(n) + ":" +
              std::to_string(differing) + " ";
  }
  static std::string transfers(const ScriptedDevice& device) {
    std::string text;
    for (const auto& call : device.calls)
      text += call.op.substr(0, 1) + std::to_string(call.a) + " ";
    return text;
  }
  std::uint64_t round_start = 0;
  std::string blocks;
};

// A run ending in the drain or in a sync is played twice on one stream: the
// second round is a new series that repeats the first.
TEST(ClockStream, WholeRunsByteForByte) {
  // Compare flag (only exactly 1 compares), cycles, drain (else a sync,
  // which adds no cycle), and of one round: transfers, blocks, mismatches.
  const std::tuple<int, int, bool, std::string, std::string, int> runs[] = {
      {0, 5000, true, "w4096 w4096 w1810 ", "", 0},
      {2, 5000, true, "w4096 w4096 w1810 ", "", 0},
      {0, 3000, false, "w4096 w1904 ", "", 0},
      // Each block is read back when the next is written, the last two by the drain.
      {1, 5000, true, "w4096 w4096 r4096 w1810 r4096 r1810 ", "0+2048:2 2048+2048:3 4096+905:2 ",
       7},
      {1, 2048, true, "w4096 w2 r4096 r2 ", "0+2048:2 2048+1:0 ", 2},
      {1, 10, true, "w22 r22 ", "0+11:1 ", 1},
      {1, 0, true, "w2 r2 ", "0+1:0 ", 0},
      {1, 3000, false, "w4096 w1904 r4096 r1904 ", "0+2048:2 2048+952:1 ", 3},
      // A sync with nothing left to write still reads back what waits.
      {1, 4096, false, "w4096 w4096 r4096 r4096 ", "0+2048:2 2048+2048:3 ", 5},
  };
  for (const auto& [compare, cycles, drain, transfers, blocks, mismatches] : runs) {
    SCOPED_TRACE(::testing::Message() << compare << ", " << cycles << ", " << drain);
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    Log log;
    stream.set_listener(&log);
    // The pins of each cycle: TCK low with TMS and TDI set, then TCK high.
    Bytes bytes;
    const auto expect_cycle = [&bytes](int tms, int tdi) {
      const auto low = static_cast<std::uint8_t>(tms << 1 | tdi);
      bytes.insert(bytes.end(), {low, static_cast<std::uint8_t>(low | 4)});
    };
    for (int round = 0; round < 2; ++round) {
      log.round_start = stream.cycles();
      for (int i = 0; i < cycles; ++i) {
        ASSERT_EQ(Cycle::clock(stream, i, compare), 1);
        expect_cycle(Cycle::tms(i), Cycle::tdi(i));
      }
      if (drain) expect_cycle(0, 0);
      ASSERT_EQ(drain ? stream.tap_flush(scripted_handle(), compare)
                      : stream.tap_sync(scripted_handle(), compare),
                1);
      // Everything has been sent and checked: a sync has nothing to do.
      ASSERT_EQ(stream.tap_sync(scripted_handle(), compare), 1);
    }
    EXPECT_EQ(device.written, bytes);
    EXPECT_EQ(Log::transfers(device), transfers + transfers);
    EXPECT_EQ(log.blocks, blocks + blocks);
    EXPECT_EQ(stream.mismatch_count(), 2 * mismatches);
    EXPECT_EQ(stream.cycles(), bytes.size() / 2);
  }
}

// A read-back that fell short ends the stream: no later cycle is taken.
TEST(ClockStream, NothingAfterAFailedReadBack) {
  ScriptedDevice device;
  device.read_counts.push_back(1);
  ClockStream stream(device);
  int i = 0;
  while (i < 5000 && Cycle::clock(stream, i, 1)) ++i;
  EXPECT_EQ(Log::transfers(device), "w4096 w4096 r4096 ");
  EXPECT_EQ(Cycle::clock(stream, i + 1, 1), 0);
  EXPECT_EQ(stream.tap_sync(scripted_handle(), 1), 0);
  EXPECT_EQ(Log::transfers(device), "w4096 w4096 r4096 ");
}

}  // namespace
}  // namespace tapwright
