#pragma once
// The cable reached through libftdi1 (and libusb) instead of the vendor's
// library: the same six operations with the same contracts.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "link/device.hpp"
#include "link/ftdi_calls.hpp"

namespace tapwright {

inline constexpr int ftdi_vendor_id = 0x0403;
// Tried in this order; the first that has a device is opened:
// FT232R/FT245R, FT2232C/D/H, FT4232H, FT232H, FT-X.
inline constexpr int ftdi_product_ids[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};

// The rate libftdi1 is given for a divisor of the vendor library: the
// chip's 3 MHz base clock divided as the vendor library divides it (0 is
// 3 MHz, 1 is 2 MHz, n above that 3 MHz / n), over four in bit-bang mode
// because libftdi1 multiplies the rate by four there.
int ftdi_baudrate_for_divisor(std::uint16_t divisor, bool bitbang);

class LibftdiDevice final : public Device {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // A chip in synchronous bit-bang mode stops clocking when its buffer for
  // returned bytes is full, and libftdi1, unlike the vendor's driver, reads
  // nothing in the background: a write the chip cannot take in whole stalls
  // into its time-out. So no more bytes are ever in flight than the
  // smallest chip of the bus's speed holds in its two FIFOs: the FT232R's
  // 128 + 256 bytes at full speed, the FT232H's 1 KB + 1 KB at high speed.
  static constexpr int full_speed_fifo_bytes = 384;
  static constexpr int high_speed_fifo_bytes = 2048;
  // The window: what those FIFOs return in whole packets, each of which
  // starts with two status bytes (so 6 x 62 or 4 x 510 bytes). It is
  // filled, then read back whole, one write and one read per window; and
  // the read's USB transfer is exactly the window's packets, so that it
  // ends with its last full packet instead of waiting for the chip's
  // latency timer (16 ms) to send a short one.

  explicit LibftdiDevice(FtdiCalls& calls,
                         std::chrono::milliseconds read_timeout = std::chrono::milliseconds(1000),
                         Clock clock = std::chrono::steady_clock::now);
  ~LibftdiDevice() override;
  LibftdiDevice(const LibftdiDevice&) = delete;
  LibftdiDevice& operator=(const LibftdiDevice&) = delete;

  // Device `index` of the first product ID in ftdi_product_ids that has one.
  DeviceStatus open(int index, DeviceHandle* handle) override;
  // libftdi1 opens a channel of a multi-channel chip as an interface.
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override;
  // The channels of the devices with FTDI's IDs and of the named cables'.
  int list_channels(DeviceList& channels) override;
  // By bus and address, and the channel as an interface.
  DeviceStatus open_listed(const ListedChannel& channel, DeviceHandle* handle) override;
  DeviceStatus close(DeviceHandle handle) override;
  // What arrives within the read time-out, at most `to_read` bytes.
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override;
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override;
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override;
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override;
  // In MPSSE mode the chip's answer to a block is read while the block is
  // written, as the vendor's driver reads in the background: without it a
  // chip with a small buffer for returned bytes would stop mid-block.
  void expect_returned(DeviceHandle handle, std::uint32_t bytes) override;

 private:
  struct Connection;
  Connection* find(DeviceHandle handle) const;
  // A context whose next open takes `channel`; null when there is none.
  ftdi_context* context_for(char channel);
  // Keeps `context` as an open connection and hands out its handle.
  DeviceStatus keep(ftdi_context* context, DeviceHandle* handle);
  // Reads from the chip into the connection's collected bytes until no
  // returned byte is in flight; 0 on error or time-out.
  int collect_all(Connection& connection);
  std::uint32_t write_in_pieces(Connection& connection, const std::uint8_t* buffer,
                                std::uint32_t to_write);
  std::uint32_t write_while_reading(Connection& connection, const std::uint8_t* buffer,
                                    std::uint32_t to_write);
  // Waits for the read under way and keeps what it brought; 0 when it
  // brought less than asked.
  int finish_pending(Connection& connection);

  int idle_ms() const { return static_cast<int>(read_timeout_.count()); }

  FtdiCalls& calls_;
  std::chrono::milliseconds read_timeout_;
  Clock clock_;
  std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace tapwright
