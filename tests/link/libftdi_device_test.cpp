#include "link/libftdi_device.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "fake_ftdi_calls.hpp"

namespace tapwright {
namespace {

using testing::FakeFtdiCalls;
using testing::FtdiCall;
using namespace std::chrono_literals;

class LibftdiDeviceTest : public ::testing::Test {
 protected:
  LibftdiDevice make_device() {
    return LibftdiDevice(fake, 1000ms, [this] { return fake.now; });
  }
  // Opens the attached chip and puts it into `mode`.
  DeviceHandle open_in_mode(LibftdiDevice& device, std::uint8_t mode) {
    DeviceHandle handle = nullptr;
    EXPECT_EQ(device.open(0, &handle), device_ok);
    EXPECT_EQ(device.set_bit_mode(handle, direction_mask, mode), device_ok);
    fake.calls.clear();
    return handle;
  }

  FakeFtdiCalls fake;
};

TEST_F(LibftdiDeviceTest, OpensTheFirstProductIdThatHasADevice) {
  fake.attached = {0x6014, 0x6010};
  LibftdiDevice device = make_device();
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  EXPECT_NE(handle, nullptr);
  // FT232R first, then FT2232: the FT2232 is found before the FT232H.
  const std::vector<FtdiCall> expected = {
      {"new_context"}, {"usb_open", 0x6001, 0}, {"usb_open", 0x6010, 0}};
  EXPECT_EQ(fake.calls, expected);
}

TEST_F(LibftdiDeviceTest, TriesEveryUsualProductIdBeforeGivingUp) {
  LibftdiDevice device = make_device();
  DeviceHandle handle = nullptr;
  EXPECT_NE(device.open(0, &handle), device_ok);
  EXPECT_EQ(handle, nullptr);
  const std::vector<FtdiCall> expected = {{"new_context"},         {"usb_open", 0x6001, 0},
                                          {"usb_open", 0x6010, 0}, {"usb_open", 0x6011, 0},
                                          {"usb_open", 0x6014, 0}, {"usb_open", 0x6015, 0},
                                          {"free_context"}};
  EXPECT_EQ(fake.calls, expected);
  EXPECT_EQ(fake.contexts_alive, 0);
}

TEST_F(LibftdiDeviceTest, CloseReleasesTheChipAndForgetsTheHandle) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  fake.calls.clear();
  EXPECT_EQ(device.close(handle), device_ok);
  EXPECT_EQ(fake.call_names(), (std::vector<std::string>{"usb_close", "free_context"}));
  EXPECT_EQ(fake.contexts_alive, 0);
  // A handle already closed is refused, without a call into the library.
  fake.calls.clear();
  std::uint32_t written = 7;
  const std::uint8_t byte = 0;
  EXPECT_NE(device.close(handle), device_ok);
  EXPECT_NE(device.write(handle, &byte, 1, &written), device_ok);
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(LibftdiDeviceTest, ReleasesWhatIsStillOpenWhenDestroyed) {
  fake.attached = {0x6001};
  {
    LibftdiDevice device = make_device();
    DeviceHandle first = nullptr;
    DeviceHandle second = nullptr;
    ASSERT_EQ(device.open(0, &first), device_ok);
    ASSERT_EQ(device.open(0, &second), device_ok);
    EXPECT_NE(first, second);
    EXPECT_EQ(fake.contexts_alive, 2);
  }
  EXPECT_EQ(fake.contexts_alive, 0);
}

TEST_F(LibftdiDeviceTest, BitModeKeepsTheMaskAndMapsTheModeValue) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  struct Case {
    std::uint8_t mode;
    int ftdi_mode;
  };
  for (const Case c : {Case{mode_async_bitbang, 0x01}, Case{mode_sync_bitbang, 0x04}}) {
    fake.calls.clear();
    EXPECT_EQ(device.set_bit_mode(handle, direction_mask, c.mode), device_ok);
    EXPECT_EQ(fake.calls, (std::vector<FtdiCall>{{"set_bitmode", 0x07, c.ftdi_mode}}));
  }
  fake.bitmode_result = -1;
  EXPECT_NE(device.set_bit_mode(handle, direction_mask, mode_sync_bitbang), device_ok);
}

TEST(FtdiBaudrate, DivisorOneIsTheTwoMegahertzRateOverFourInBitBang) {
  struct Case {
    std::uint16_t divisor;
    bool bitbang;
    int rate;
  };
  const Case cases[] = {
      {1, true, 500'000},
      {0, true, 750'000},
      {1, false, 2'000'000},
      {300, false, 10'000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ftdi_baudrate_for_divisor(c.divisor, c.bitbang), c.rate)
        << "divisor " << c.divisor << " bit-bang " << c.bitbang;
  }
}

TEST_F(LibftdiDeviceTest, DivisorAfterTheBitModeSetsTheBitBangRate) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  const DeviceHandle handle = open_in_mode(device, mode_sync_bitbang);
  EXPECT_EQ(device.set_divisor(handle, 1), device_ok);
  EXPECT_EQ(fake.calls, (std::vector<FtdiCall>{{"set_baudrate", 500'000}}));
  fake.baudrate_result = -1;
  EXPECT_NE(device.set_divisor(handle, 1), device_ok);
}

TEST_F(LibftdiDeviceTest, AsyncWriteIsOneCallAndReportsWhatTheLibraryTook) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  const DeviceHandle handle = open_in_mode(device, mode_async_bitbang);
  std::vector<std::uint8_t> block(4096, 0x06);
  std::uint32_t written = 0;
  EXPECT_EQ(device.write(handle, block.data(), 4096, &written), device_ok);
  EXPECT_EQ(written, 4096u);
  EXPECT_EQ(fake.calls, (std::vector<FtdiCall>{{"write_data", 4096}}));

  for (const int result : {4095, 0, -7}) {
    fake.write_results = {result};
    EXPECT_NE(device.write(handle, block.data(), 4096, &written), device_ok);
    EXPECT_EQ(written, static_cast<std::uint32_t>(std::max(result, 0)));
  }
}

TEST_F(LibftdiDeviceTest, SyncWriteNeverOverfillsTheChipAndReadReturnsEveryByteInOrder) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  const DeviceHandle handle = open_in_mode(device, mode_sync_bitbang);
  std::vector<std::uint8_t> first(4096);
  std::vector<std::uint8_t> second(4096);
  for (std::size_t i = 0; i < first.size(); ++i) {
    first[i] = static_cast<std::uint8_t>(i % 8);
    second[i] = static_cast<std::uint8_t>((i / 3) % 8);
  }
  // The player's rhythm: a block written, then the one before it read.
  std::uint32_t count = 0;
  ASSERT_EQ(device.write(handle, first.data(), 4096, &count), device_ok);
  ASSERT_EQ(count, 4096u);
  ASSERT_EQ(device.write(handle, second.data(), 4096, &count), device_ok);
  ASSERT_EQ(count, 4096u);
  EXPECT_LE(fake.most_in_chip, LibftdiDevice::in_flight_window);
  for (const auto& call : fake.calls) {
    if (call.name == "write_data") {
      EXPECT_LE(call.a, LibftdiDevice::write_piece);
    }
  }

  for (const auto* block : {&first, &second}) {
    std::vector<std::uint8_t> got(4096);
    ASSERT_EQ(device.read(handle, got.data(), 4096, &count), device_ok);
    ASSERT_EQ(count, 4096u);
    for (std::size_t i = 0; i < got.size(); ++i) {
      const std::uint8_t b = (*block)[i];
      ASSERT_EQ(got[i], b | ((b & 1) << 3)) << "byte " << i;
    }
  }
  // Everything owed has been delivered: a further read finds nothing.
  std::uint8_t extra = 0;
  EXPECT_EQ(device.read(handle, &extra, 1, &count), device_ok);
  EXPECT_EQ(count, 0u);
}

TEST_F(LibftdiDeviceTest, SyncWriteToAChipThatReturnsNothingStopsAtTheTimeOut) {
  fake.attached = {0x6001};
  fake.returns_bytes = false;
  LibftdiDevice device = make_device();
  const DeviceHandle handle = open_in_mode(device, mode_sync_bitbang);
  std::vector<std::uint8_t> block(4096, 0x04);
  std::uint32_t written = 0;
  EXPECT_NE(device.write(handle, block.data(), 4096, &written), device_ok);
  EXPECT_EQ(written, static_cast<std::uint32_t>(LibftdiDevice::in_flight_window));
  // About one second of 10 ms reads, not an endless wait.
  EXPECT_LE(fake.now.time_since_epoch(), 1100ms);
}

TEST_F(LibftdiDeviceTest, ReadReturnsWhatArrivedWithinTheTimeOut) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  const DeviceHandle handle = open_in_mode(device, mode_sync_bitbang);
  // 100 bytes written but 200 asked for: the read keeps trying for the
  // time-out, then reports the 100.
  std::vector<std::uint8_t> bytes(100, 0x05);
  std::uint32_t count = 0;
  ASSERT_EQ(device.write(handle, bytes.data(), 100, &count), device_ok);
  const auto start = fake.now;
  std::vector<std::uint8_t> got(200);
  EXPECT_EQ(device.read(handle, got.data(), 200, &count), device_ok);
  EXPECT_EQ(count, 100u);
  EXPECT_GE(fake.now - start, 1000ms);
  EXPECT_LE(fake.now - start, 1100ms);
  EXPECT_EQ(got[99], 0x0d);
}

TEST_F(LibftdiDeviceTest, ReadErrorIsAFailureWithTheCountThatArrived) {
  fake.attached = {0x6001};
  LibftdiDevice device = make_device();
  const DeviceHandle handle = open_in_mode(device, mode_sync_bitbang);
  fake.read_results = {30, -4};
  std::vector<std::uint8_t> got(64);
  std::uint32_t count = 99;
  EXPECT_NE(device.read(handle, got.data(), 64, &count), device_ok);
  EXPECT_EQ(count, 30u);
  EXPECT_EQ(fake.calls, (std::vector<FtdiCall>{{"read_data", 64}, {"read_data", 34}}));
}

}  // namespace
}  // namespace tapwright
