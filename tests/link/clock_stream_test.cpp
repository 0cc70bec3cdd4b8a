#include "link/clock_stream.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;
using Transfers = std::vector<std::string>;

// A chip in synchronous bit-bang mode wired TDI to TDO: the byte that raises
// TCK returns TDO at the level of TDI, the byte before it the opposite level,
// and the unused pins read high, so that a read-back that looks at the wrong
// byte or the wrong bit counts differently.
std::uint8_t loopback(std::uint8_t written) {
  const bool tdi = (written & pin_tdi) != 0;
  const bool tdo = (written & pin_tck) ? tdi : !tdi;
  return static_cast<std::uint8_t>(0xF0 | (tdo ? pin_tdo : 0) | (written & 0x07));
}

// TDI of scan cycle i: period 3, which divides no block size, so that a
// read-back shifted by a cycle or by a block would not line up.
int pattern_tdi(int i) {
  return (i % 3 == 0) ? 1 : 0;
}

// Clocks cycles first..last-1 as scan cycles with care 1, expecting TDO to
// follow TDI except on the cycles in `wrong`. Stops at the first failure.
int clock_scan(ClockStream& stream, int first, int last, const std::set<int>& wrong = {},
               int compare = 1) {
  for (int i = first; i < last; ++i) {
    const int tdi = pattern_tdi(i);
    const int expected = wrong.count(i) ? 1 - tdi : tdi;
    if (!stream.tap_clock(scripted_handle(), 0, tdi, expected, 1, compare, 0)) return 0;
  }
  return 1;
}

// The reads of a full-block flush may only ask for bytes already written.
void expect_reads_never_outrun_writes(const ScriptedDevice& device) {
  std::uint64_t written = 0;
  std::uint64_t read = 0;
  for (const auto& call : device.calls) {
    if (call.op == "write") written += call.a;
    if (call.op == "read") {
      read += call.a;
      EXPECT_LE(read, written) << "a read asked for bytes not yet written";
    }
  }
}

void expect_program_start_state(const ClockStream& stream) {
  EXPECT_EQ(stream.out_len(), 0);
  EXPECT_EQ(stream.drained(), 1);
  EXPECT_EQ(stream.bank(0).clocks, 0);
  EXPECT_EQ(stream.bank(1).clocks, 0);
}

TEST(ClockStream, EachCycleIsItsBytePair) {
  struct Pair {
    int tms, tdi;
    std::uint8_t first, second;
  };
  const Pair pairs[] = {
      {0, 0, 0x00, 0x04}, {0, 1, 0x01, 0x05}, {1, 0, 0x02, 0x06}, {1, 1, 0x03, 0x07}};
  ScriptedDevice device;
  ClockStream stream(device);
  for (const Pair& p : pairs) {
    ASSERT_EQ(stream.tap_clock(scripted_handle(), p.tms, p.tdi, 0, 0, 0, 0), 1);
  }
  ASSERT_EQ(stream.out_len(), 8);
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(stream.out_buf()[2 * k], pairs[k].first);
    EXPECT_EQ(stream.out_buf()[2 * k + 1], pairs[k].second);
  }
  EXPECT_TRUE(device.calls.empty()) << "nothing is written before the block is full";
}

TEST(ClockStream, The2048thCycleWritesExactlyOneFullBlock) {
  ScriptedDevice device;
  ClockStream stream(device);
  ASSERT_EQ(clock_scan(stream, 0, 2047, {}, 0), 1);
  EXPECT_TRUE(device.calls.empty());
  ASSERT_EQ(clock_scan(stream, 2047, 2048, {}, 0), 1);
  EXPECT_EQ(device.transfers(), (Transfers{"write 4096"}));
  ASSERT_EQ(device.written.size(), 4096u);
  for (int i = 0; i < 2048; ++i) {
    ASSERT_EQ(device.written[2 * i], first_byte(0, pattern_tdi(i))) << i;
    ASSERT_EQ(device.written[2 * i + 1], second_byte(0, pattern_tdi(i))) << i;
  }
  EXPECT_EQ(stream.out_len(), 0);

  // The next cycle is the first of a new block.
  ASSERT_EQ(stream.tap_clock(scripted_handle(), 1, 1, 0, 0, 0, 0), 1);
  EXPECT_EQ(stream.out_len(), 2);
  EXPECT_EQ(stream.out_buf()[0], 0x03);
  EXPECT_EQ(device.calls.size(), 1u);
}

// Only a compare flag of exactly 1 compares.
TEST(ClockStream, WithoutCompareModeNothingIsRecordedOrRead) {
  for (const int compare : {0, 2}) {
    SCOPED_TRACE(compare);
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    // Every cycle claims a TDO that the loopback contradicts.
    std::set<int> all;
    for (int i = 0; i < 5000; ++i) all.insert(i);
    ASSERT_EQ(clock_scan(stream, 0, 5000, all, compare), 1);
    EXPECT_EQ(stream.bank(0).clocks, 0);
    EXPECT_EQ(stream.bank(1).clocks, 0);
    EXPECT_EQ(stream.drained(), 1);
    EXPECT_EQ(stream.cur_bank(), 0);
    ASSERT_EQ(stream.tap_flush(scripted_handle(), compare), 1);
    EXPECT_EQ(device.transfers(), (Transfers{"write 4096", "write 4096", "write 1810"}));
    EXPECT_EQ(device.written.size(), 2u * 5001);
    EXPECT_EQ(device.written[2 * 5000], 0x00);
    EXPECT_EQ(device.written[2 * 5000 + 1], 0x04);
    EXPECT_EQ(stream.mismatch_count(), 0);
    expect_program_start_state(stream);
  }
}

TEST(ClockStream, CompareModeReadsBackOneBlockBehind) {
  ScriptedDevice device;
  device.reply = loopback;
  ClockStream stream(device);
  // Block 1 holds cycles 0-2047, block 2 2048-4095, block 3 4096-4999 and the
  // drain's own cycle. Mismatches: two in block 1, three in block 2, two in
  // block 3 (the last of them in the very last scan cycle).
  const std::set<int> wrong = {0, 2047, 2048, 3000, 4095, 4096, 4999};

  ASSERT_EQ(clock_scan(stream, 0, 2048, wrong), 1);
  EXPECT_EQ(device.transfers(), (Transfers{"write 4096"}));
  EXPECT_EQ(stream.drained(), 0);
  EXPECT_EQ(stream.cur_bank(), 1);
  EXPECT_EQ(stream.bank(0).clocks, 2048);

  ASSERT_EQ(clock_scan(stream, 2048, 4096, wrong), 1);
  EXPECT_EQ(device.transfers(), (Transfers{"write 4096", "write 4096", "read 4096"}));
  EXPECT_EQ(stream.mismatch_count(), 2);
  EXPECT_EQ(stream.cur_bank(), 0);
  EXPECT_EQ(stream.bank(1).clocks, 2048) << "block 2 waits to be read back";

  ASSERT_EQ(clock_scan(stream, 4096, 5000, wrong), 1);
  EXPECT_EQ(stream.mismatch_count(), 2) << "blocks 2 and 3 are counted only by the drain";
  const int bank_before_drain = stream.cur_bank();

  ASSERT_EQ(stream.tap_flush(scripted_handle(), 1), 1);
  EXPECT_EQ(device.transfers(), (Transfers{"write 4096", "write 4096", "read 4096", "write 1810",
                                           "read 4096", "read 1810"}));
  expect_reads_never_outrun_writes(device);
  EXPECT_EQ(stream.mismatch_count(), 7);
  expect_program_start_state(stream);
  EXPECT_EQ(stream.cur_bank(), bank_before_drain);

  // Cycles after the drain begin a new series: its first block is not read.
  ASSERT_EQ(clock_scan(stream, 0, 2048), 1);
  EXPECT_EQ(device.transfers().size(), 7u);
  EXPECT_EQ(device.transfers().back(), "write 4096");
}

TEST(ClockStream, CompareModeWithExactlyOneBlockBeforeTheDrain) {
  ScriptedDevice device;
  device.reply = loopback;
  ClockStream stream(device);
  ASSERT_EQ(clock_scan(stream, 0, 2048, {5, 2047}), 1);
  EXPECT_EQ(device.transfers(), (Transfers{"write 4096"}));
  ASSERT_EQ(stream.tap_flush(scripted_handle(), 1), 1);
  EXPECT_EQ(device.transfers(), (Transfers{"write 4096", "write 2", "read 4096", "read 2"}));
  EXPECT_EQ(stream.mismatch_count(), 2);
  expect_program_start_state(stream);
}

TEST(ClockStream, CompareModeRunOfAtMostOneBlockIsWrittenAndReadByTheDrain) {
  for (const int cycles : {0, 1, 10, 2047}) {
    SCOPED_TRACE(cycles);
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    const std::set<int> wrong = {0, 1, cycles - 1};  // cycle -1 is never clocked
    ASSERT_EQ(clock_scan(stream, 0, cycles, wrong), 1);
    EXPECT_TRUE(device.calls.empty());
    ASSERT_EQ(stream.tap_flush(scripted_handle(), 1), 1);
    const std::string bytes = std::to_string(2 * (cycles + 1));
    EXPECT_EQ(device.transfers(), (Transfers{"write " + bytes, "read " + bytes}));
    const auto clocked =
        std::count_if(wrong.begin(), wrong.end(), [&](int i) { return i >= 0 && i < cycles; });
    EXPECT_EQ(stream.mismatch_count(), clocked);
    expect_program_start_state(stream);
  }
}

TEST(ClockStream, OnlyCareCyclesAreCounted) {
  struct Case {
    int expected, care, tdo;
    std::uint8_t entry;
    int counted;
  };
  const Case cases[] = {
      {0, 0, 0, 0x00, 0}, {0, 0, 1, 0x00, 0}, {1, 0, 0, 0x00, 0}, {1, 0, 1, 0x00, 0},
      {0, 1, 0, 0x02, 0}, {0, 1, 1, 0x02, 1}, {1, 1, 0, 0x03, 1}, {1, 1, 1, 0x03, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::vector<int>{c.expected, c.care, c.tdo}));
    ScriptedDevice device;
    // TDO is taken from the byte that raises TCK; the other byte says the
    // opposite, and the unused pins are noise.
    const auto level = [](int tdo) { return static_cast<std::uint8_t>(tdo ? 0xF8 : 0xF7); };
    device.returned = {level(1 - c.tdo), level(c.tdo), level(1), level(1)};
    ClockStream stream(device);
    ASSERT_EQ(stream.tap_clock(scripted_handle(), 0, 1, c.expected, c.care, 1, 0), 1);
    EXPECT_EQ(expectation_byte(stream.bank(0).entries[0]), c.entry);
    ASSERT_EQ(stream.tap_flush(scripted_handle(), 1), 1);
    EXPECT_EQ(stream.mismatch_count(), c.counted);
  }
}

// --- Failures ------------------------------------------------------------

struct Snapshot {
  int out_len, cur_bank, drained, clocks0, clocks1;
  std::int64_t mismatches;
  bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(const ClockStream& s) {
  return {s.out_len(),      s.cur_bank(),     s.drained(),
          s.bank(0).clocks, s.bank(1).clocks, s.mismatch_count()};
}
void PrintTo(const Snapshot& s, std::ostream* os) {
  *os << "{out_len " << s.out_len << ", cur_bank " << s.cur_bank << ", drained " << s.drained
      << ", clocks " << s.clocks0 << "/" << s.clocks1 << ", mismatches " << s.mismatches << "}";
}

// A write reporting any other count than asked fails the cycle that caused it
// and changes nothing but that the cycle stays appended; nothing is read.
TEST(ClockStreamFailure, ShortWriteOfAFullBlock) {
  for (const int blocks_before : {0, 1}) {
    for (const std::int64_t reported : {4095, 0, 4097}) {
      SCOPED_TRACE(::testing::PrintToString(std::vector<std::int64_t>{blocks_before, reported}));
      ScriptedDevice device;
      device.reply = loopback;
      ClockStream stream(device);
      ASSERT_EQ(clock_scan(stream, 0, 2048 * blocks_before, {0}), 1);
      ASSERT_EQ(clock_scan(stream, 2048 * blocks_before, 2048 * blocks_before + 2047), 1);
      Snapshot expected = snapshot(stream);
      device.write_counts.push_back(reported);
      EXPECT_EQ(clock_scan(stream, 4095, 4096), 0);
      expected.out_len = 4096;
      (stream.cur_bank() ? expected.clocks1 : expected.clocks0) += 1;
      EXPECT_EQ(snapshot(stream), expected);
      EXPECT_EQ(device.read_sizes.size(), 0u);
    }
  }
}

TEST(ClockStreamFailure, ShortWriteInTheDrain) {
  for (const int cycles : {10, 3000}) {  // nothing waiting, and block 1 waiting
    SCOPED_TRACE(cycles);
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    ASSERT_EQ(clock_scan(stream, 0, cycles, {0, 2999}), 1);
    Snapshot expected = snapshot(stream);
    device.write_counts.push_back(2 * (cycles % 2048));
    EXPECT_EQ(stream.tap_flush(scripted_handle(), 1), 0);
    expected.out_len += 2;
    (stream.cur_bank() ? expected.clocks1 : expected.clocks0) += 1;
    EXPECT_EQ(snapshot(stream), expected);
    EXPECT_EQ(device.read_sizes.size(), 0u);
  }
}

// A read reporting any other count than asked fails: its bank keeps its
// cycles uncounted, `cur_bank` is not toggled, and a drain stops there.
TEST(ClockStreamFailure, ShortReadInAFullBlockFlush) {
  for (const std::int64_t reported : {4095, 0, 4097}) {
    SCOPED_TRACE(reported);
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    ASSERT_EQ(clock_scan(stream, 0, 4095, {1, 2, 3}), 1);
    device.read_counts.push_back(reported);
    EXPECT_EQ(clock_scan(stream, 4095, 4096), 0);
    EXPECT_EQ(device.transfers(), (Transfers{"write 4096", "write 4096", "read 4096"}));
    EXPECT_EQ(snapshot(stream), (Snapshot{0, 1, 0, 2048, 2048, 0}));
  }
}

TEST(ClockStreamFailure, ShortReadInEachPassOfTheDrain) {
  // 3000 cycles: block 1 (two mismatches) waits in bank 0, 952 cycles (one
  // mismatch) and the drain's own cycle in bank 1.
  const std::set<int> wrong = {0, 2047, 2999};
  {
    SCOPED_TRACE("first pass");
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    ASSERT_EQ(clock_scan(stream, 0, 3000, wrong), 1);
    device.read_counts.push_back(4000);
    EXPECT_EQ(stream.tap_flush(scripted_handle(), 1), 0);
    EXPECT_EQ(device.transfers(), (Transfers{"write 4096", "write 1906", "read 4096"}));
    EXPECT_EQ(snapshot(stream), (Snapshot{0, 1, 0, 2048, 953, 0}));
  }
  {
    SCOPED_TRACE("second pass");
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    ASSERT_EQ(clock_scan(stream, 0, 3000, wrong), 1);
    device.read_counts = {-1, 1905};
    EXPECT_EQ(stream.tap_flush(scripted_handle(), 1), 0);
    EXPECT_EQ(device.transfers(),
              (Transfers{"write 4096", "write 1906", "read 4096", "read 1906"}));
    EXPECT_EQ(snapshot(stream), (Snapshot{0, 0, 0, 0, 953, 2}));
  }
  {
    SCOPED_TRACE("the only pass of a run shorter than a block");
    ScriptedDevice device;
    device.reply = loopback;
    ClockStream stream(device);
    ASSERT_EQ(clock_scan(stream, 0, 10, {4}), 1);
    device.read_counts.push_back(0);
    EXPECT_EQ(stream.tap_flush(scripted_handle(), 1), 0);
    EXPECT_EQ(device.transfers(), (Transfers{"write 22", "read 22"}));
    EXPECT_EQ(stream.mismatch_count(), 0);
    EXPECT_EQ(stream.bank(0).clocks, 11);
  }
}

}  // namespace
}  // namespace tapwright
