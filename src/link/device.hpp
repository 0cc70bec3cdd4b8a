#pragma once
// The six operations of the USB chip's driver library that tapwright uses,
// as one small interface so that the player runs the same over the vendor
// library, libftdi1, a simulated cable or a scripted fake in the tests.
#include <cstdint>
#include <string>

#include "link/device_list.hpp"

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

// Direction mask (TDI, TMS, TCK driven; TDO and the rest read), the two
// bit-bang modes, the MPSSE engine's mode and the reset of the port.
inline constexpr std::uint8_t direction_mask = 0x07;
inline constexpr std::uint8_t mode_async_bitbang = 0x01;
inline constexpr std::uint8_t mode_sync_bitbang = 0x04;
inline constexpr std::uint8_t mode_mpsse = 0x02;
inline constexpr std::uint8_t mode_reset = 0x00;

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
  // Ordinal 31: direction mask and mode value (1 async, 4 sync bit-bang; 0
  // resets the port, 2 starts the MPSSE engine).
  virtual DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) = 0;

  // Beyond the six operations: channel `channel` ('A', 'B', ...) of device
  // `index` as open() counts them. Channel A is the device itself.
  virtual DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) {
    return channel == 'A' ? open(index, handle) : device_error;
  }
  // The FTDI channels this back end sees, appended to `channels`: 1, or 0
  // when it cannot list them (failure() tells why where it knows).
  virtual int list_channels(DeviceList& /*channels*/) { return 0; }
  // Opens a channel that list_channels() gave.
  virtual DeviceStatus open_listed(const ListedChannel& /*channel*/, DeviceHandle* /*handle*/) {
    return device_error;
  }
  // Read and write time-outs, for a library whose reads otherwise wait for
  // ever on a chip that does not answer.
  virtual DeviceStatus set_timeouts(DeviceHandle /*handle*/, std::uint32_t /*read_ms*/,
                                    std::uint32_t /*write_ms*/) {
    return device_ok;
  }
  // Why the last operation failed, where the back end knows more than its
  // status ("the vendor library has no FT_SetTimeouts"); empty otherwise.
  virtual std::string failure() const { return {}; }
  // The bytes written next make the chip return
  // `bytes` bytes (MPSSE commands that read). A back end that reads only
  // when asked can collect them while it writes, so that the chip never
  // stops on a full buffer; others need not know.
  virtual void expect_returned(DeviceHandle /*handle*/, std::uint32_t /*bytes*/) {}
};

}  // namespace tapwright
