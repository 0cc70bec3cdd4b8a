#pragma once
// One listed channel as the device a run opens: opening device 0, or its
// channel, opens the chosen channel; every other operation goes to the back
// end as it is. The players open "device 0", so they need not know how
// the channel was chosen.
#include <utility>

#include "link/device.hpp"

namespace tapwright {

class ChosenDevice final : public Device {
 public:
  ChosenDevice(Device& back_end, ListedChannel chosen)
      : back_end_(back_end), chosen_(std::move(chosen)) {}

  const ListedChannel& chosen() const { return chosen_; }

  DeviceStatus open(int index, DeviceHandle* handle) override;
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override;
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
  DeviceStatus set_timeouts(DeviceHandle handle, std::uint32_t read_ms,
                            std::uint32_t write_ms) override {
    return back_end_.set_timeouts(handle, read_ms, write_ms);
  }
  std::string failure() const override { return back_end_.failure(); }
  void expect_returned(DeviceHandle handle, std::uint32_t bytes) override {
    back_end_.expect_returned(handle, bytes);
  }

 private:
  Device& back_end_;
  ListedChannel chosen_;
};

}  // namespace tapwright
