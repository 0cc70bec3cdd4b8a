#pragma once
// The FTDI chips a simulated cable can be, as data: their USB identity and
// speed, FIFO sizes, channels, and which channels have the MPSSE engine and
// at what base clock. The simulated cable takes its chip and channel from
// here; an emulated USB chip takes its packet and FIFO sizes too.
#include <cstdint>
#include <string_view>

namespace tapwright::sim {

struct ChipModel {
  std::string_view name;     // as SimOptions names it
  std::uint16_t product;     // USB product ID (vendor 0x0403)
  std::uint16_t bcd_device;  // tells the host's library which chip it has
  int packet;                // bulk packet size: 64 full speed, 512 high speed
  int tx_fifo;               // bytes, host to chip, per channel
  int rx_fifo;               // bytes, chip to host, per channel
  int channels;              // A, B, ...
  std::uint8_t mpsse;        // channels with an MPSSE engine: bit 0 A, bit 1 B
  std::uint32_t base_hz;     // the MPSSE clock with divide-by-5 off (0: none)
  // Divide-by-5, three-phase and adaptive clocking: the H chips' commands.
  bool h_commands;
};

inline constexpr ChipModel chip_models[] = {
    {"ft232r", 0x6001, 0x0600, 64, 128, 256, 1, 0x0, 0, false},
    {"ftx", 0x6015, 0x1000, 64, 512, 512, 1, 0x0, 0, false},
    {"ft2232d", 0x6010, 0x0500, 64, 384, 128, 2, 0x1, 12'000'000, false},
    {"ft2232h", 0x6010, 0x0700, 512, 4096, 4096, 2, 0x3, 60'000'000, true},
    {"ft4232h", 0x6011, 0x0800, 512, 2048, 2048, 4, 0x3, 60'000'000, true},
    {"ft232h", 0x6014, 0x0900, 512, 1024, 1024, 1, 0x1, 60'000'000, true},
};

// The chip a simulated cable is unless told otherwise: bit-bang only.
inline constexpr const ChipModel& default_chip = chip_models[0];

// The model called `name`, or null.
const ChipModel* find_chip_model(std::string_view name);

inline bool has_mpsse(const ChipModel& chip, int channel) {
  return channel >= 0 && channel < chip.channels && ((chip.mpsse >> channel) & 1u) != 0;
}

}  // namespace tapwright::sim
