#include "link/clock_stream.hpp"

#include <gtest/gtest.h>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;

TEST(ClockStream, BytePairs) {
  ScriptedDevice device;
  ClockStream stream(device);
  ASSERT_EQ(stream.tap_clock(scripted_handle(), 1, 0, 0, 0, 0, 0), 1);
  ASSERT_EQ(stream.tap_clock(scripted_handle(), 0, 1, 0, 0, 0, 0), 1);
  ASSERT_EQ(stream.tap_flush(scripted_handle(), 0), 1);
  EXPECT_EQ(device.written, (std::vector<std::uint8_t>{0x02, 0x06, 0x01, 0x05, 0x00, 0x04}));
}

}  // namespace
}  // namespace tapwright
