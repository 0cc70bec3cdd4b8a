// The device operations of the simulated chip, called directly.
#include "sim/sim_device.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "sim_run.hpp"

namespace tapwright::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An opened device with the chain and bit mode given.
struct OpenDevice {
  OpenDevice(const char* chain, std::uint8_t mode, std::uint8_t mask = direction_mask) {
    std::string error;
    EXPECT_EQ(device.configure(testing::chain_options(chain), error), 1) << error;
    EXPECT_EQ(device.open(0, &handle), device_ok);
    EXPECT_EQ(device.set_bit_mode(handle, mask, mode), device_ok);
  }
  std::uint32_t write(const Bytes& bytes) {
    std::uint32_t written = 0;
    device.write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    return written;
  }
  Bytes read(std::uint32_t count) {
    Bytes bytes(count, 0xEE);
    std::uint32_t got = 0xDEAD;
    EXPECT_EQ(device.read(handle, bytes.data(), count, &got), device_ok);
    EXPECT_LE(got, count);
    bytes.resize(got);
    return bytes;
  }
  SimDevice device;
  DeviceHandle handle = nullptr;
};

TEST(SimDevice, OpensOnlyIndexZeroAndOnlyOnce) {
  SimDevice device;
  DeviceHandle handle = nullptr;
  DeviceHandle other = nullptr;
  EXPECT_NE(device.open(1, &handle), device_ok);
  EXPECT_NE(device.open(-1, &handle), device_ok);
  EXPECT_EQ(handle, nullptr);
  ASSERT_EQ(device.open(0, &handle), device_ok);
  EXPECT_NE(handle, nullptr);
  EXPECT_NE(device.open(0, &other), device_ok);
  EXPECT_EQ(device.close(handle), device_ok);
  EXPECT_FALSE(device.is_open());
  std::uint32_t written = 7;
  const std::uint8_t byte = 0;
  EXPECT_NE(device.write(handle, &byte, 1, &written), device_ok);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(device.open(0, &other), device_ok);
  EXPECT_EQ(device.set_divisor(other, 1), device_ok);
}

TEST(SimDevice, OnlyBitBangModesAreAccepted) {
  SimDevice device;
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  for (int mode : {0, 2, 8, 0x10, 0x20, 0x40}) {
    EXPECT_NE(device.set_bit_mode(handle, direction_mask, static_cast<std::uint8_t>(mode)),
              device_ok)
        << mode;
  }
  EXPECT_EQ(device.chip().mode(), 0);
  EXPECT_EQ(device.set_bit_mode(handle, direction_mask, mode_sync_bitbang), device_ok);
  EXPECT_EQ(device.set_bit_mode(handle, direction_mask, mode_async_bitbang), device_ok);
  EXPECT_EQ(device.chip().mode(), mode_async_bitbang);
}

TEST(SimDevice, AsyncModeReturnsNothing) {
  OpenDevice d("8:0x59604093", mode_async_bitbang);
  EXPECT_EQ(d.write({0x02, 0x06, 0x01, 0x05}), 4u);
  EXPECT_EQ(d.read(4), Bytes{});
  EXPECT_EQ(d.device.chip().pins(), 0x05);
}

TEST(SimDevice, SyncModeReturnsLevelsSampledBeforeEachByte) {
  struct Case {
    const char* chain;
    std::uint8_t mask;
    Bytes written;
    Bytes returned;
  };
  const Case cases[] = {
      // TDO is high outside the shift states; the first byte sees the pins
      // as they were (all low after power-up).
      {"none", direction_mask, {0x02, 0x06, 0x01, 0x05}, {0x08, 0x0A, 0x0E, 0x09}},
      {"8:0x59604093", direction_mask, {0x02, 0x06, 0x01, 0x05}, {0x08, 0x0A, 0x0E, 0x09}},
      // Bits 3 to 7 written are no outputs and never come back.
      {"none", direction_mask, {0xF8, 0xFF, 0x00}, {0x08, 0x08, 0x0F}},
      // A pin the mask leaves undriven floats high.
      {"none", 0x03, {0x00, 0x01, 0x02}, {0x08, 0x0C, 0x0D}},
  };
  for (const Case& c : cases) {
    OpenDevice d(c.chain, mode_sync_bitbang, c.mask);
    EXPECT_EQ(d.write(c.written), c.written.size());
    EXPECT_EQ(d.read(16), c.returned) << c.chain;
  }
}

TEST(SimDevice, ReturnedBytesWaitUntilReadAndReadsMayBeShort) {
  OpenDevice d("none", mode_sync_bitbang);
  EXPECT_EQ(d.write({0x00, 0x04, 0x02}), 3u);
  EXPECT_EQ(d.write({0x06}), 1u);
  EXPECT_EQ(d.read(2), (Bytes{0x08, 0x08}));
  // Kept across close and open, as a chip keeps its buffer.
  ASSERT_EQ(d.device.close(d.handle), device_ok);
  ASSERT_EQ(d.device.open(0, &d.handle), device_ok);
  EXPECT_EQ(d.read(10), (Bytes{0x0C, 0x0A}));
  EXPECT_EQ(d.read(10), Bytes{});
}

}  // namespace
}  // namespace tapwright::sim
