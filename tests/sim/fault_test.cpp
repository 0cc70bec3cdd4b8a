// Every injected fault, seen through the bring-up calls and the player's
// clock stream, which must answer each with 0.
#include <gtest/gtest.h>

#include <cctype>

#include "sim_run.hpp"

namespace tapwright::sim {
namespace {

TEST(Fault, BringUpFaults) {
  struct Case {
    const char* fault;
    const char* calls;  // o: open, m: set bit mode, c: close; upper case: the call fails
  };
  const Case cases[] = {{"open", "OO"}, {"reopen", "omcOo"}, {"bitmode", "oMM"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    SimDevice device;
    std::string error;
    ASSERT_EQ(device.configure(testing::chain_options("8:0x59604093", c.fault), error), 1);
    DeviceHandle handle = nullptr;
    for (const char* call = c.calls; *call; ++call) {
      const char op = static_cast<char>(std::tolower(*call));
      const DeviceStatus status =
          op == 'o'   ? device.open(0, &handle)
          : op == 'm' ? device.set_bit_mode(handle, direction_mask, mode_sync_bitbang)
                      : device.close(handle);
      EXPECT_EQ(status == device_ok, op == *call) << "call " << call - c.calls;
    }
  }
}

TEST(Fault, ShortWriteAndShortReadCounts) {
  SimDevice device;
  std::string error;
  ASSERT_EQ(device.configure(testing::chain_options("none", "write:2"), error), 1);
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  ASSERT_EQ(device.set_bit_mode(handle, direction_mask, mode_sync_bitbang), device_ok);
  const std::uint8_t bytes[4] = {0x02, 0x06, 0x01, 0x05};
  std::uint32_t count = 0;
  device.write(handle, bytes, 4, &count);
  EXPECT_EQ(count, 4u);
  device.write(handle, bytes, 4, &count);
  EXPECT_EQ(count, 3u);  // only three reached the pins
  EXPECT_EQ(device.chip().pins(), 0x01);
  device.write(handle, bytes, 4, &count);
  EXPECT_EQ(count, 4u);

  ASSERT_EQ(device.configure(testing::chain_options("none", "read:2"), error), 1);
  ASSERT_EQ(device.open(0, &handle), device_ok);
  ASSERT_EQ(device.set_bit_mode(handle, direction_mask, mode_sync_bitbang), device_ok);
  device.write(handle, bytes, 4, &count);
  std::uint8_t back[4];
  device.read(handle, back, 1, &count);
  EXPECT_EQ(count, 1u);
  device.read(handle, back, 3, &count);
  EXPECT_EQ(count, 2u);
  device.read(handle, back, 3, &count);
  EXPECT_EQ(count, 1u);  // the byte held back is still there
}

// Cycles through the clock stream until one of them, or the drain, fails.
struct StreamCase {
  const char* fault;
  int compare;
  int cycles;         // cycles clocked before the drain
  int failing_cycle;  // 1-based call of tap_clock that returns 0; 0: the drain fails
  friend std::ostream& operator<<(std::ostream& out, const StreamCase& c) {
    return out << "fault '" << c.fault << "' compare " << c.compare << ", " << c.cycles
               << " cycles";
  }
};

class StreamFault : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamFault, ClockStreamReturnsZero) {
  const StreamCase& c = GetParam();
  SimDevice device;
  std::string error;
  ASSERT_EQ(device.configure(testing::chain_options("8:0x59604093", c.fault), error), 1) << error;
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  ASSERT_EQ(device.set_bit_mode(handle, direction_mask,
                                c.compare ? mode_sync_bitbang : mode_async_bitbang),
            device_ok);
  ClockStream stream(device);
  int failed_at = -1;
  for (int i = 1; i <= c.cycles && failed_at < 0; ++i) {
    if (stream.tap_clock(handle, 0, i & 1, 0, 1, c.compare, 0) == 0) failed_at = i;
  }
  if (failed_at < 0 && stream.tap_flush(handle, c.compare) == 0) failed_at = 0;
  EXPECT_EQ(failed_at, c.failing_cycle);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StreamFault,
    ::testing::Values(StreamCase{"", 1, 5000, -1}, StreamCase{"write:2", 0, 5000, 4096},
                      StreamCase{"write:3", 0, 5000, 0}, StreamCase{"read:1", 1, 5000, 4096},
                      StreamCase{"read:3", 1, 5000, 0}, StreamCase{"read:4", 1, 5000, -1}));

}  // namespace
}  // namespace tapwright::sim
