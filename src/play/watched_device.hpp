#pragma once
// The cable as a run plays into it: before each transfer the progress line
// is offered a redraw, and once an interrupt has come every transfer fails,
// so that a long scan or run of clocks stops within a block of bytes,
// whatever is being played.
#include <functional>

#include "link/device.hpp"

namespace tapwright::play {

class WatchedDevice final : public Device {
 public:
  WatchedDevice(Device& cable, std::function<void()> tick)
      : cable_(cable), tick_(std::move(tick)) {}

  DeviceStatus open(int index, DeviceHandle* handle) override { return cable_.open(index, handle); }
  DeviceStatus close(DeviceHandle handle) override { return cable_.close(handle); }
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override;
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override;
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override {
    return cable_.set_divisor(handle, divisor);
  }
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override {
    return cable_.set_bit_mode(handle, mask, mode);
  }
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override {
    return cable_.open_channel(index, channel, handle);
  }
  DeviceStatus set_timeouts(DeviceHandle handle, std::uint32_t read_ms,
                            std::uint32_t write_ms) override {
    return cable_.set_timeouts(handle, read_ms, write_ms);
  }
  std::string failure() const override { return cable_.failure(); }
  void expect_returned(DeviceHandle handle, std::uint32_t bytes) override {
    cable_.expect_returned(handle, bytes);
  }

 private:
  // 0 once the run is to stop.
  bool go_on();

  Device& cable_;
  std::function<void()> tick_;
};

}  // namespace tapwright::play
