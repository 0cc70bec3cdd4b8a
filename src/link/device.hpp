#pragma once
// The six operations of the USB chip's driver library that tapwright uses,
// as one small interface so that the player runs the same over the vendor
// library, libftdi1, a simulated cable or a scripted fake in the tests.
#include <cstdint>

namespace tapwright {

// The opaque handle of an opened device, as the driver library hands it out.
using DeviceHandle = void*;

// A device operation's status: 0 means success, anything else failure.
using DeviceStatus = std::uint32_t;
inline constexpr DeviceStatus device_ok = 0;
inline constexpr DeviceStatus device_error = 1;

// Pin assignment of the bit-bang port.
inline constexpr std::uint8_t pin_tdi = 0x01;
inline constexpr std::uint8_t pin_tms = 0x02;
inline constexpr std::uint8_t pin_tck = 0x04;
inline constexpr std::uint8_t pin_tdo = 0x08;

// Direction mask (TDI, TMS, TCK driven; TDO and the rest read) and the two
// bit-bang modes the player uses.
inline constexpr std::uint8_t direction_mask = 0x07;
inline constexpr std::uint8_t mode_async_bitbang = 0x01;
inline constexpr std::uint8_t mode_sync_bitbang = 0x04;

class Device {
 public:
  virtual ~Device() = default;

  // Ordinal 1: opens device `index` (0 is the first) and stores its handle.
  virtual DeviceStatus open(int index, DeviceHandle* handle) = 0;
  // Ordinal 2.
  virtual DeviceStatus close(DeviceHandle handle) = 0;
  // Ordinal 3: delivers returned bytes in the order they were produced, never
  // more than asked, and reports how many in *got. Success is judged by *got.
  virtual DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                            std::uint32_t* got) = 0;
  // Ordinal 4: puts the bytes on the pins in order and reports how many it
  // took in *written. Success is judged by *written.
  virtual DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer,
                             std::uint32_t to_write, std::uint32_t* written) = 0;
  // Ordinal 26: the baud-rate divisor; the player gives it 1, the fastest
  // bit-bang rate.
  virtual DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) = 0;
  // Ordinal 31: direction mask and mode value (1 async, 4 sync bit-bang).
  virtual DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) = 0;
};

}  // namespace tapwright
