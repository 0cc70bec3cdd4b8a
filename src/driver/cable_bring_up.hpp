#pragma once
// Bringing up the cable for a run, and letting it go again: the order the
// vendor's chips want, shared by every player that opens a cable.
#include <cstdint>

#include "link/device.hpp"

namespace tapwright {

// Bit-bang mode of a run: synchronous when TDO is compared, else
// asynchronous.
constexpr std::uint8_t bit_bang_mode(int compare) {
  return compare == 1 ? mode_sync_bitbang : mode_async_bitbang;
}

// A first pass opens device 0, sets `mode` and lets it go again (whatever
// it reports); then device 0 is opened for the run. 1 with `handle` set, or
// 0 when the second open failed.
int open_cable(Device& device, std::uint8_t mode, DeviceHandle& handle,
               std::uint8_t mask = direction_mask);

// Sets `mode` with the pins of `mask` driven on the open device, then the
// bit-bang clock (divisor 1, the fastest). 0 when the chip refused the mode.
int configure_cable(Device& device, DeviceHandle handle, std::uint8_t mode,
                    std::uint8_t mask = direction_mask, std::uint16_t divisor = 1);

// Closes the device when the run leaves.
class OpenDevice {
 public:
  OpenDevice(Device& device, DeviceHandle handle) : device_(device), handle_(handle) {}
  ~OpenDevice() { device_.close(handle_); }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;
  DeviceHandle handle() const { return handle_; }

 private:
  Device& device_;
  DeviceHandle handle_;
};

}  // namespace tapwright
