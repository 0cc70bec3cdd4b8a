#include "jtag/shift_vector.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;

// One clock as the stream saw it: TMS and TDI from the byte pair, expected
// TDO and care from the expectation entry (compare mode).
struct Clock {
  int tms, tdi, expected, care;
  bool operator==(const Clock&) const = default;
};
void PrintTo(const Clock& c, std::ostream* os) {
  *os << "{tms " << c.tms << " tdi " << c.tdi << " tdo " << c.expected << " care " << c.care << "}";
}
using Clocks = std::vector<Clock>;

struct Shift {
  std::string_view tdi, tdo, mask, smask = "";
};

// Shifts a vector in compare mode into an empty stream and returns its clocks.
Clocks shift(std::int32_t bits, const Shift& s, int* result = nullptr) {
  ScriptedDevice device;
  ClockStream stream(device);
  const int r = svf_shift_vector(stream, s.smask, scripted_handle(), bits, s.tdi, s.tdo, s.mask, 1);
  if (result) *result = r;
  Clocks clocks;
  const ExpectationBank& bank = stream.bank(stream.cur_bank());
  EXPECT_EQ(bank.clocks * 2, stream.out_len());
  for (int j = 0; j < bank.clocks; ++j) {
    const std::uint8_t b = stream.out_buf()[2 * j];
    clocks.push_back({(b & pin_tms) ? 1 : 0, b & pin_tdi, expectation_byte(bank.entries[j]) & 1,
                      (expectation_byte(bank.entries[j]) & expect_care) ? 1 : 0});
  }
  return clocks;
}

// One field of every clock, in order.
std::vector<int> column(const Clocks& clocks, int Clock::*field) {
  std::vector<int> out;
  for (const Clock& c : clocks) out.push_back(c.*field);
  return out;
}
std::vector<int> tdi_of(const Clocks& c) {
  return column(c, &Clock::tdi);
}
std::vector<int> tms_of(const Clocks& c) {
  return column(c, &Clock::tms);
}
std::vector<int> care_of(const Clocks& c) {
  return column(c, &Clock::care);
}
std::vector<int> expected_of(const Clocks& c) {
  return column(c, &Clock::expected);
}

TEST(ShiftVector, TenBitsOf1A3LeastSignificantFirst) {
  const Clocks clocks = shift(10, {"1A3", "000", "000"});
  EXPECT_EQ(tdi_of(clocks), (std::vector<int>{1, 1, 0, 0, 0, 1, 0, 1, 1, 0}));
  EXPECT_EQ(tms_of(clocks), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(ShiftVector, TdiTdoAndMaskEachTakeTheirOwnString) {
  const Clocks clocks = shift(8, {"fe", "a5", "3c"});
  EXPECT_EQ(tdi_of(clocks), (std::vector<int>{0, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(care_of(clocks), (std::vector<int>{0, 0, 1, 1, 1, 1, 0, 0}));
  // The expected level is recorded only where TDO is compared.
  EXPECT_EQ(expected_of(clocks), (std::vector<int>{0, 0, 1, 0, 0, 1, 0, 0}));
  EXPECT_EQ(tms_of(clocks), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(expected_of(shift(8, {"fe", "a5", "ff"})), (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1}));
  EXPECT_EQ(care_of(shift(8, {"fe", "a5", "00"})), std::vector<int>(8, 0));
}

TEST(ShiftVector, BitCounts) {
  struct Case {
    std::int32_t bits;
    std::string_view tdi;
    std::vector<int> tdi_bits;
  };
  const Case cases[] = {
      {0, "F", {}},
      {-2147483647 - 1, "F", {}},
      {1, "3", {1}},
      {4, "ABC", {0, 0, 1, 1}},       // leading characters not needed are ignored
      {6, "FF", {1, 1, 1, 1, 1, 1}},  // high bits of the leading digit unused
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    int result = -1;
    const Clocks clocks = shift(c.bits, {c.tdi, "FFFFFFFF", "FFFFFFFF"}, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(tdi_of(clocks), c.tdi_bits);
    if (!clocks.empty()) {
      EXPECT_EQ(tms_of(clocks).back(), 1);
    }
  }
}

TEST(ShiftVector, UpperAndLowerCaseDigitsShiftTheSameBits) {
  const Clocks lower = shift(64, {"0123456789abcdef", "fedcba9876543210", "0f1e2d3c4b5a6978"});
  const Clocks upper = shift(64, {"0123456789ABCDEF", "FEDCBA9876543210", "0F1E2D3C4B5A6978"});
  EXPECT_EQ(lower, upper);
  // And the digits carry their hexadecimal values: digit k from the end of
  // "0123456789abcdef" is 15 - k.
  for (int k = 0; k < 16; ++k) {
    int value = 0;
    for (int b = 0; b < 4; ++b) value |= lower[4 * k + b].tdi << b;
    EXPECT_EQ(value, 15 - k) << k;
  }
}

TEST(ShiftVector, OtherCharactersGiveTheLowBitsOfTheirCodeMinus87) {
  EXPECT_EQ(hex_digit_value('g'), 0u);
  EXPECT_EQ(hex_digit_value('z'), 3u);
  EXPECT_EQ(hex_digit_value(' '), 9u);
  EXPECT_EQ(hex_digit_value(static_cast<char>(0xE9)), (0xE9u - 87u) & 0xFu);
  EXPECT_EQ(tdi_of(shift(4, {"z", "0", "0"})), (std::vector<int>{1, 1, 0, 0}));
}

TEST(ShiftVector, SmaskChangesNothing) {
  const Clocks plain = shift(12, {"abc", "123", "f0f"});
  for (const std::string_view smask : {"", "0", "fff", "zz(not hex)"}) {
    EXPECT_EQ(shift(12, {"abc", "123", "f0f", smask}), plain) << smask;
  }
}

TEST(ShiftVector, ShortStringsReadMissingHighDigitsAsZero) {
  const Clocks clocks = shift(12, {"F", "9", "fff"});
  EXPECT_EQ(tdi_of(clocks), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(expected_of(clocks), (std::vector<int>{1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(care_of(shift(12, {"fff", "fff", "3"})),
            (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(tdi_of(shift(9, {"", "", "0"})), std::vector<int>(9, 0));
}

TEST(ShiftVector, EmptyMaskComparesEveryBit) {
  const Clocks clocks = shift(9, {"1ff", "0a5", ""});
  EXPECT_EQ(care_of(clocks), std::vector<int>(9, 1));
  EXPECT_EQ(expected_of(clocks), (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1, 0}));
}

TEST(ShiftVector, NothingBeforeTheStartOfAStringIsRead) {
  // Each string is the tail of a longer text whose leading characters are all
  // ones: reading before the start of the string would shift them.
  const std::string_view text = "FFFFFFFF5";
  const std::string_view tail = text.substr(8);
  const std::vector<int> low_digit_only = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(tdi_of(shift(16, {tail, "0", "0"})), low_digit_only);
  EXPECT_EQ(expected_of(shift(16, {"0", tail, "ffff"})), low_digit_only);
  EXPECT_EQ(care_of(shift(16, {"0", "0", tail})), low_digit_only);
  const std::string_view empty = text.substr(9);
  EXPECT_EQ(tdi_of(shift(8, {empty, empty, "0"})), std::vector<int>(8, 0));
}

TEST(ShiftVector, ClockFailureOnBitKStopsThere) {
  for (const int k : {0, 1, 4, 9}) {
    SCOPED_TRACE(k);
    ScriptedDevice device;
    ClockStream stream(device);
    for (int i = 0; i < block_cycles - (k + 1); ++i) {
      ASSERT_EQ(stream.tap_clock(scripted_handle(), 0, 0, 0, 0, 0, 0), 1);
    }
    device.write_counts.push_back(100);
    EXPECT_EQ(svf_shift_vector(stream, "", scripted_handle(), 10, "3ff", "000", "000", 0), 0);
    EXPECT_EQ(stream.out_len(), block_bytes) << "bits 0 to k are in the stream";
    EXPECT_EQ(stream.out_buf()[block_bytes - 2], first_byte(k == 9 ? 1 : 0, 1));
    EXPECT_EQ(device.write_sizes.size(), 1u);
  }
}

}  // namespace
}  // namespace tapwright
