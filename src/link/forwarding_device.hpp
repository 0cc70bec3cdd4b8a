#pragma once
// A device that hands every operation to another: the base of the wrappers
// that change one or two of them (which channel is opened, what happens
// around each transfer) and leave the rest to the back end.
#include <string>

#include "link/device.hpp"

namespace tapwright {

class ForwardingDevice : public Device {
 public:
  explicit ForwardingDevice(Device& back_end) : back_end_(back_end) {}

  DeviceStatus open(int index, DeviceHandle* handle) override {
    return back_end_.open(index, handle);
  }
  DeviceStatus close(DeviceHandle handle) override { return back_end_.close(handle); }
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    return back_end_.read(handle, buffer, to_read, got);
  }
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override {
    return back_end_.write(handle, buffer, to_write, written);
  }
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override {
    return back_end_.set_divisor(handle, divisor);
  }
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override {
    return back_end_.set_bit_mode(handle, mask, mode);
  }
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override {
    return back_end_.open_channel(index, channel, handle);
  }
  int list_channels(DeviceList& channels) override { return back_end_.list_channels(channels); }
  DeviceStatus open_listed(const ListedChannel& channel, DeviceHandle* handle) override {
    return back_end_.open_listed(channel, handle);
  }
  DeviceStatus set_timeouts(DeviceHandle handle, std::uint32_t read_ms,
                            std::uint32_t write_ms) override {
    return back_end_.set_timeouts(handle, read_ms, write_ms);
  }
  std::string failure() const override { return back_end_.failure(); }
  void expect_returned(DeviceHandle handle, std::uint32_t bytes) override {
    back_end_.expect_returned(handle, bytes);
  }

 protected:
  Device& back_end() { return back_end_; }

 private:
  Device& back_end_;
};

}  // namespace tapwright
