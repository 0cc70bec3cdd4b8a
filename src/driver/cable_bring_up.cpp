#include "driver/cable_bring_up.hpp"

namespace tapwright {

int open_cable(Device& device, std::uint8_t mode, DeviceHandle& handle, std::uint8_t mask) {
  // A first pass that puts the chip into the right mode and lets it go
  // again; whatever it reports, the run goes on to the real open.
  handle = nullptr;
  if (device.open(0, &handle) == device_ok) {
    device.set_bit_mode(handle, mask, mode);
    device.close(handle);
  }
  handle = nullptr;
  return device.open(0, &handle) == device_ok ? 1 : 0;
}

int configure_cable(Device& device, DeviceHandle handle, std::uint8_t mode, std::uint8_t mask,
                    std::uint16_t divisor) {
  if (device.set_bit_mode(handle, mask, mode) != device_ok) return 0;
  device.set_divisor(handle, divisor);
  return 1;
}

}  // namespace tapwright
