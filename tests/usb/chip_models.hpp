#pragma once
// The FTDI chips as the USB bus sees them, one row each, from FTDI's
// published figures: identity, channels, packets and FIFOs (per channel).
#include <cstdint>
#include <limits>

namespace tapwright::usb {

// Picoseconds, so that bus slots and port clock periods need no rounding
// worth speaking of.
using Picoseconds = std::int64_t;
inline constexpr Picoseconds ps_per_ms = 1'000'000'000;
inline constexpr Picoseconds never = std::numeric_limits<Picoseconds>::max();

// A full-speed bus carries at most 19 bulk packets of 64 bytes in a 1 ms
// frame, a high-speed one 13 of 512 bytes in a 125 us microframe.
struct ChipModel {
  const char* name;
  std::uint16_t product;     // FTDI's own product ID for the chip
  std::uint16_t bcd_device;  // the chip's release, which tells libftdi1 the chip
  const char* description;   // the product string of a chip with a blank EEPROM
  int channels;              // interfaces A, B, ...
  std::uint8_t mpsse;        // the channels with an MPSSE engine, bit 0 for A
  int packet;
  int tx_fifo;  // host to chip
  int rx_fifo;  // chip to host
  Picoseconds frame;
  int packets_per_frame;  // the most bulk packets the bus carries in a frame

  bool high_speed() const { return packet == 512; }
};

inline constexpr Picoseconds full_speed_frame = ps_per_ms;
inline constexpr Picoseconds high_speed_frame = ps_per_ms / 8;
inline constexpr ChipModel chip_models[] = {
    {"ft232r", 0x6001, 0x0600, "FT232R USB UART", 1, 0x0, 64, 128, 256, full_speed_frame, 19},
    {"ft2232h", 0x6010, 0x0700, "Dual RS232-HS", 2, 0x3, 512, 4096, 4096, high_speed_frame, 13},
    {"ft231x", 0x6015, 0x1000, "FT231X USB UART", 1, 0x0, 64, 512, 512, full_speed_frame, 19},
    {"ft2232d", 0x6010, 0x0500, "Dual RS232", 2, 0x1, 64, 384, 128, full_speed_frame, 19},
    {"ft4232h", 0x6011, 0x0800, "Quad RS232-HS", 4, 0x3, 512, 2048, 2048, high_speed_frame, 13},
    {"ft232h", 0x6014, 0x0900, "Single RS232-HS", 1, 0x1, 512, 1024, 1024, high_speed_frame, 13},
};

}  // namespace tapwright::usb
