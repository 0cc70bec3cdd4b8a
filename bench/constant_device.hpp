#pragma once
// A device for the benchmarks: it takes every write at once and answers
// every read with one byte, so that only the host's side is measured.
#include <cstring>

#include "link/device.hpp"

namespace tapwright {

class ConstantDevice final : public Device {
 public:
  explicit ConstantDevice(std::uint8_t answer) : answer_(answer) {}

  DeviceStatus open(int, DeviceHandle* handle) override {
    *handle = this;
    return device_ok;
  }
  DeviceStatus close(DeviceHandle) override { return device_ok; }
  DeviceStatus read(DeviceHandle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    std::memset(buffer, answer_, to_read);
    *got = to_read;
    return device_ok;
  }
  DeviceStatus write(DeviceHandle, const std::uint8_t*, std::uint32_t to_write,
                     std::uint32_t* written) override {
    *written = to_write;
    return device_ok;
  }
  DeviceStatus set_divisor(DeviceHandle, std::uint16_t) override { return device_ok; }
  DeviceStatus set_bit_mode(DeviceHandle, std::uint8_t, std::uint8_t) override { return device_ok; }

 private:
  std::uint8_t answer_;
};

}  // namespace tapwright
