#pragma once
// The cable as a run plays into it: before each transfer the progress line
// is offered a redraw, and once an interrupt has come every transfer fails,
// so that a long scan or run of clocks stops within a block of bytes,
// whatever is being played.
#include <functional>
#include <utility>

#include "link/forwarding_device.hpp"

namespace tapwright::play {

class WatchedDevice final : public ForwardingDevice {
 public:
  WatchedDevice(Device& cable, std::function<void()> tick)
      : ForwardingDevice(cable), tick_(std::move(tick)) {}

  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override;
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override;

 private:
  // 0 once the run is to stop.
  bool go_on();

  std::function<void()> tick_;
};

}  // namespace tapwright::play
