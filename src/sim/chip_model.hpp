#pragma once
// The FTDI chips a simulated cable can be, as data: their USB identity and
// speed, FIFO sizes, channels, and which channels have the MPSSE engine and
// at what base clock. The simulated cable takes its chip and channel from
// here; an emulated USB chip takes its packet and FIFO sizes too.
#include <cstdint>
#include <string_view>

namespace tapwright::sim {

// The MPSSE engine a chip has: none, the first one (12 MHz clock), or the
// high-speed chips' one (60 MHz, or 12 MHz with divide-by-5, which it
// starts with; three-phase and adaptive clocking).
enum class MpsseKind : std::uint8_t { none, base_12mhz, base_60mhz };

struct ChipModel {
  std::string_view name;        // as SimOptions names it
  std::uint16_t product;        // USB product ID (vendor 0x0403)
  std::uint16_t bcd_device;     // tells the host's library which chip it has
  int packet;                   // bulk packet size: 64 full speed, 512 high speed
  int tx_fifo;                  // bytes, host to chip, per channel
  int rx_fifo;                  // bytes, chip to host, per channel
  int channels;                 // A, B, ...
  std::uint8_t mpsse_channels;  // bit 0 A, bit 1 B, ...
  MpsseKind mpsse;
};

inline constexpr ChipModel chip_models[] = {
    {"ft232r", 0x6001, 0x0600, 64, 128, 256, 1, 0x0, MpsseKind::none},
    {"ftx", 0x6015, 0x1000, 64, 512, 512, 1, 0x0, MpsseKind::none},
    {"ft2232d", 0x6010, 0x0500, 64, 384, 128, 2, 0x1, MpsseKind::base_12mhz},
    {"ft2232h", 0x6010, 0x0700, 512, 4096, 4096, 2, 0x3, MpsseKind::base_60mhz},
    {"ft4232h", 0x6011, 0x0800, 512, 2048, 2048, 4, 0x3, MpsseKind::base_60mhz},
    {"ft232h", 0x6014, 0x0900, 512, 1024, 1024, 1, 0x1, MpsseKind::base_60mhz},
};

// The chip a simulated cable is unless told otherwise: bit-bang only.
inline constexpr const ChipModel& default_chip = chip_models[0];

// The model called `name`, or null.
const ChipModel* find_chip_model(std::string_view name);

inline bool has_mpsse(const ChipModel& chip, int channel) {
  return channel >= 0 && channel < chip.channels && ((chip.mpsse_channels >> channel) & 1u) != 0;
}

}  // namespace tapwright::sim
