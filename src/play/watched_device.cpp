#include "play/watched_device.hpp"

#include "cli/interrupt.hpp"

namespace tapwright::play {

bool WatchedDevice::go_on() {
  tick_();
  return !cli::interrupted();
}

DeviceStatus WatchedDevice::read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                                 std::uint32_t* got) {
  if (go_on()) return ForwardingDevice::read(handle, buffer, to_read, got);
  if (got) *got = 0;
  return device_error;
}

DeviceStatus WatchedDevice::write(DeviceHandle handle, const std::uint8_t* buffer,
                                  std::uint32_t to_write, std::uint32_t* written) {
  if (go_on()) return ForwardingDevice::write(handle, buffer, to_write, written);
  if (written) *written = 0;
  return device_error;
}

}  // namespace tapwright::play
