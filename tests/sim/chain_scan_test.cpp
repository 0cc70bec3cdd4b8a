// Scans through the player's clock stream, TAP walk and shifter against the
// simulated chain, judged by the stream's own TDO comparison.
#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "sim_run.hpp"

namespace tapwright::sim {
namespace {

using testing::hex_of;
using testing::SimRun;

constexpr std::uint32_t idcode_a = 0x59604093;
constexpr std::uint32_t idcode_b = 0x0362d093;

struct IdcodeCase {
  const char* chain;
  int bits;
  std::uint64_t expected;  // TDO, first bit out in bit 0
  int mismatches;
  friend std::ostream& operator<<(std::ostream& out, const IdcodeCase& c) {
    return out << c.chain << " expecting 0x" << hex_of(c.expected);
  }
};

class IdcodeScan : public ::testing::TestWithParam<IdcodeCase> {};

TEST_P(IdcodeScan, ComparesAfterReset) {
  const IdcodeCase& c = GetParam();
  SimDevice device;
  SimRun run(device, device, testing::chain_options(c.chain), 1);
  ASSERT_TRUE(run.ok());
  const std::string mask(static_cast<std::size_t>((c.bits + 3) / 4), 'f');
  ASSERT_EQ(run.sdr(c.bits, "0", hex_of(c.expected), mask), 1);
  EXPECT_EQ(run.finish(), c.mismatches);
}

INSTANTIATE_TEST_SUITE_P(Chains, IdcodeScan,
                         ::testing::Values(IdcodeCase{"8:0x59604093", 32, idcode_a, 0},
                                           IdcodeCase{"8:0x59604093", 32, 0x59604097, 1},
                                           // The device nearest TDO shifts out first.
                                           IdcodeCase{"8:0x59604093,6:0x0362d093:0x09", 64,
                                                      (std::uint64_t{idcode_a} << 32) | idcode_b,
                                                      0},
                                           IdcodeCase{"8:0x59604093,6:0x0362d093:0x09", 64,
                                                      (std::uint64_t{idcode_b} << 32) | idcode_a,
                                                      std::popcount(idcode_a ^ idcode_b) * 2},
                                           // No device: TDO is pulled high.
                                           IdcodeCase{"none", 32, 0xFFFFFFFFu, 0}));

TEST(ChainScan, IdcodeOpcodeSelectsIdcodeAgain) {
  SimDevice device;
  SimRun run(device, device, testing::chain_options("6:0x0362d093:0x09"), 1);
  ASSERT_TRUE(run.ok());
  ASSERT_EQ(run.sir(6, "3f"), 1);  // BYPASS
  ASSERT_EQ(run.sdr(8, "ff", "fe", "ff"), 1);
  ASSERT_EQ(run.sir(6, "09"), 1);
  EXPECT_EQ(device.chain().device(0).instruction(), 0x09u);
  ASSERT_EQ(run.sdr(32, "0", hex_of(idcode_b), "ffffffff"), 1);
  EXPECT_EQ(run.finish(), 0);
}

TEST(ChainScan, InstructionRegisterCapturesOneThenZeros) {
  SimDevice device;
  SimRun run(device, device, testing::chain_options("8:0x59604093,6:0x0362d093:0x09"), 1);
  ASSERT_TRUE(run.ok());
  // 14 IR bits, the 6-bit device first out: 000001 then 00000001.
  ASSERT_EQ(run.sir(14, "3fff", hex_of((0x01u << 6) | 0x01u), "3fff"), 1);
  EXPECT_EQ(run.finish(), 0);
}

// Every device in BYPASS delays the data by one bit, led by its captured 0.
struct BypassCase {
  const char* chain;
  int ir_bits;
  int devices;
  friend std::ostream& operator<<(std::ostream& out, const BypassCase& c) { return out << c.chain; }
};

class BypassDelay : public ::testing::TestWithParam<BypassCase> {};

TEST_P(BypassDelay, DelaysOneBitPerDevice) {
  const BypassCase& c = GetParam();
  constexpr std::uint64_t data = 0xC5A3F00Du;
  for (int delay = c.devices - 1; delay <= c.devices + 1; ++delay) {
    SimDevice device;
    SimRun run(device, device, testing::chain_options(c.chain), 1);
    ASSERT_TRUE(run.ok());
    ASSERT_EQ(run.sir(c.ir_bits, std::string(16, 'f')), 1);
    const int bits = 32 + c.devices;
    ASSERT_EQ(run.sdr(bits, hex_of(data), hex_of(data << delay), std::string(9, 'f')), 1);
    const std::int64_t mismatches = run.finish();
    if (delay == c.devices) {
      EXPECT_EQ(mismatches, 0) << "delay " << delay;
    } else {
      EXPECT_GT(mismatches, 0) << "delay " << delay;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Chains, BypassDelay,
                         ::testing::Values(BypassCase{"8:0x59604093", 8, 1},
                                           BypassCase{"8:0x59604093,6:0x0362d093:0x09", 14, 2},
                                           BypassCase{"4:0x1,5:0x3,6:0x5", 15, 3}));

TEST(ChainScan, ScratchRegisterReadsBackWhatWasWritten) {
  SimDevice device;
  SimRun run(device, device, testing::chain_options("8:0x59604093"), 1);
  ASSERT_TRUE(run.ok());
  const std::string wide =
      "1d3c5e7f90a2b4c6d8eafc1357"
      "9bdf02468ace";  // 152 bits
  ASSERT_EQ(run.sir(8, "05"), 1);
  // Never updated: reads as zeros.
  ASSERT_EQ(run.sdr(40, "123456789a", "0", "ffffffffff"), 1);
  // Reading shifts TDI in, which the update then keeps: shift the value back.
  ASSERT_EQ(run.sdr(40, "123456789a", "123456789a", "ffffffffff"), 1);
  // A register keeps its contents while another opcode is used...
  ASSERT_EQ(run.sir(8, "06"), 1);
  ASSERT_EQ(run.sdr(152, wide, "0", std::string(38, 'f')), 1);
  ASSERT_EQ(run.sir(8, "05"), 1);
  ASSERT_EQ(run.sdr(40, "0", "123456789a", "ffffffffff"), 1);
  // ... and through a reset.
  ASSERT_EQ(run.go(TapState::test_logic_reset), 1);
  ASSERT_EQ(run.sir(8, "06"), 1);
  ASSERT_EQ(run.sdr(152, "0", wide, std::string(38, 'f')), 1);
  EXPECT_EQ(run.finish(), 0);
  EXPECT_EQ(device.chain().device(0).scratch(0x06).size(), 152u);
}

TEST(ChainScan, DevicesFollowThePlayersWalk) {
  SimDevice device;
  SimRun run(device, device, testing::chain_options("8:0x59604093,6:0x0362d093:0x09"), 0);
  ASSERT_TRUE(run.ok());
  // Stable states only: the drain that sends the cycles adds one with TMS 0,
  // which keeps each of them where it is.
  const TapState targets[] = {TapState::shift_ir, TapState::pause_ir,      TapState::shift_dr,
                              TapState::pause_dr, TapState::run_test_idle, TapState::pause_ir};
  for (TapState target : targets) {
    ASSERT_EQ(run.go(target), 1);
    ASSERT_EQ(run.stream().tap_flush(run.handle(), 0), 1);
    for (std::size_t k = 0; k < device.chain().size(); ++k) {
      EXPECT_EQ(controller_code(device.chain().device(k).state()), tap_code(target))
          << tap_state_name(target) << ", device " << k;
    }
  }
}

}  // namespace
}  // namespace tapwright::sim
