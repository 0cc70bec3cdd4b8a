#pragma once
// A Device that hands every call to another one; tests derive from it to
// watch the calls they care about.
#include "link/device.hpp"

namespace tapwright::testing {

class ForwardingDevice : public Device {
 public:
  explicit ForwardingDevice(Device& inner) : inner_(inner) {}
  DeviceStatus open(int index, DeviceHandle* handle) override { return inner_.open(index, handle); }
  DeviceStatus close(DeviceHandle handle) override { return inner_.close(handle); }
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    return inner_.read(handle, buffer, to_read, got);
  }
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override {
    return inner_.write(handle, buffer, to_write, written);
  }
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override {
    return inner_.set_divisor(handle, divisor);
  }
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override {
    return inner_.set_bit_mode(handle, mask, mode);
  }

 private:
  Device& inner_;
};

}  // namespace tapwright::testing
