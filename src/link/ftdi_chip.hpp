#pragma once
// The FTDI chips a cable may be built on, as data: which channels they
// have, which of them run the MPSSE engine, and how fast.
#include <cstdint>
#include <string_view>

namespace tapwright {

enum class FtdiChip : std::uint8_t { ft232r, ft_x, ft2232d, ft2232h, ft4232h, ft232h };

struct FtdiChipModel {
  FtdiChip chip;
  std::string_view name;        // as the chip's datasheet names it
  std::uint16_t bcd_device;     // the USB release number that tells the chip
  int channels;                 // A, B, ...
  std::uint8_t mpsse_channels;  // bit n: channel A + n runs MPSSE
  bool high_speed;              // USB 2.0 high speed, 512-byte packets
  bool h_chip;                  // 60 MHz MPSSE clock, three-phase and adaptive clocking
  int tx_fifo, rx_fifo;         // per channel: host to chip, chip to host
};

inline constexpr FtdiChipModel ftdi_chip_models[] = {
    {FtdiChip::ft232r, "FT232R", 0x0600, 1, 0x0, false, false, 128, 256},
    {FtdiChip::ft_x, "FT-X", 0x1000, 1, 0x0, false, false, 512, 512},
    {FtdiChip::ft2232d, "FT2232D", 0x0500, 2, 0x1, false, false, 384, 128},
    {FtdiChip::ft2232h, "FT2232H", 0x0700, 2, 0x3, true, true, 4096, 4096},
    {FtdiChip::ft4232h, "FT4232H", 0x0800, 4, 0x3, true, true, 2048, 2048},
    {FtdiChip::ft232h, "FT232H", 0x0900, 1, 0x1, true, true, 1024, 1024},
};

constexpr const FtdiChipModel& ftdi_chip_model(FtdiChip chip) {
  for (const FtdiChipModel& model : ftdi_chip_models) {
    if (model.chip == chip) return model;
  }
  return ftdi_chip_models[0];
}

// Whether channel `channel` ('A', 'B', ...) of the chip runs MPSSE.
constexpr bool has_mpsse(FtdiChip chip, char channel) {
  const int n = channel - 'A';
  return n >= 0 && n < 8 && (ftdi_chip_model(chip).mpsse_channels >> n) & 1u;
}

}  // namespace tapwright
