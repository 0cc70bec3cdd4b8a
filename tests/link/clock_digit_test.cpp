// A digit's four cycles handed over at once must leave the stream exactly as
// the same cycles given one by one: the same bytes, expectations, blocks,
// reads and mismatch count, wherever the digit falls in the block.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/clock_stream.hpp"
#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;

struct Digit {
  unsigned tdi, expected, care;
  int count, tms_on_last;
};

// Returned TDO follows TDI, so every cycle whose expectation differs from
// its TDI under care counts as a mismatch.
std::uint8_t loopback(std::uint8_t written) {
  return static_cast<std::uint8_t>((written & pin_tdi) ? pin_tdo : 0);
}

void play_by_digit(ClockStream& stream, const std::vector<Digit>& digits, int compare) {
  for (const Digit& d : digits) {
    ASSERT_EQ(stream.tap_clock_digit(scripted_handle(), d.tdi, d.expected, d.care, d.count,
                                     d.tms_on_last, compare),
              1);
  }
  ASSERT_EQ(stream.tap_flush(scripted_handle(), compare), 1);
}

void play_by_cycle(ClockStream& stream, const std::vector<Digit>& digits, int compare) {
  for (const Digit& d : digits) {
    for (int b = 0; b < d.count; ++b) {
      const int tms = (d.tms_on_last && b == d.count - 1) ? 1 : 0;
      ASSERT_EQ(stream.tap_clock(scripted_handle(), tms, (d.tdi >> b) & 1, (d.expected >> b) & 1,
                                 (d.care >> b) & 1, compare, 0),
                1);
    }
  }
  ASSERT_EQ(stream.tap_flush(scripted_handle(), compare), 1);
}

TEST(ClockDigit, MatchesTheSameCyclesGivenOneByOne) {
  std::mt19937 random(7);
  // Digits of every width and value, with single cycles mixed in so that
  // whole digits land at every even offset of a block, across several blocks.
  std::vector<Digit> digits;
  for (int i = 0; i < 9000; ++i) {
    const int count = i % 7 == 0 ? 1 + static_cast<int>(random() % 4) : 4;
    digits.push_back({static_cast<unsigned>(random() & 0xF), static_cast<unsigned>(random() & 0xF),
                      static_cast<unsigned>(random() & 0xF), count, i % 11 == 0 ? 1 : 0});
  }
  for (int compare : {0, 1}) {
    ScriptedDevice by_digit_device;
    by_digit_device.reply = loopback;
    ClockStream by_digit(by_digit_device);
    play_by_digit(by_digit, digits, compare);

    ScriptedDevice by_cycle_device;
    by_cycle_device.reply = loopback;
    ClockStream by_cycle(by_cycle_device);
    play_by_cycle(by_cycle, digits, compare);

    EXPECT_EQ(by_digit_device.written, by_cycle_device.written) << "compare " << compare;
    EXPECT_EQ(by_digit_device.calls, by_cycle_device.calls) << "compare " << compare;
    EXPECT_EQ(by_digit.mismatch_count(), by_cycle.mismatch_count()) << "compare " << compare;
    if (compare) {
      EXPECT_GT(by_cycle.mismatch_count(), 0);
    }
    EXPECT_GT(by_cycle_device.write_sizes.size(), 3u);
  }
}

TEST(ClockDigit, AFailedWriteStopsTheDigitLikeItsCycles) {
  ScriptedDevice device;
  device.write_counts = {4095};
  ClockStream stream(device);
  // 511 whole digits and two cycles leave room for exactly one more cycle.
  for (int i = 0; i < 511; ++i)
    ASSERT_EQ(stream.tap_clock_digit(scripted_handle(), 5, 0, 0, 4, 0, 1), 1);
  ASSERT_EQ(stream.tap_clock_digit(scripted_handle(), 3, 0, 0, 2, 0, 1), 1);
  EXPECT_EQ(stream.out_len(), 4092);
  // The digit's second cycle fills the block; its write fails, so the
  // remaining cycles are never appended.
  EXPECT_EQ(stream.tap_clock_digit(scripted_handle(), 0xF, 0, 0, 4, 0, 1), 0);
  EXPECT_EQ(stream.out_len(), 4096);
  EXPECT_EQ(device.write_sizes, std::vector<std::uint32_t>{4096});
  EXPECT_EQ(stream.tap_clock_digit(scripted_handle(), 0xF, 0, 0, 4, 0, 1), 0);
  EXPECT_EQ(device.write_sizes.size(), 1u) << "nothing is written after a failure";
}

}  // namespace
}  // namespace tapwright
