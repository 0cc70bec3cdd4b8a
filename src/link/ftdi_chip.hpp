#pragma once
// The FTDI chips a cable may be built on, as data, one row each from FTDI's
// published figures: their USB identity and speed, channels, which of them
// run the MPSSE engine and from what clock, and the FIFOs of each channel.
// The players, the simulated cable and the emulated USB bus all read them
// from here.
#include <cstdint>
#include <string_view>

namespace tapwright {

enum class FtdiChip : std::uint8_t { ft232r, ft_x, ft2232d, ft2232h, ft4232h, ft232h };

// The MPSSE engine a chip has: none, the first one (12 MHz clock), or the
// high-speed chips' one (60 MHz, or 12 MHz with divide-by-5, which it
// starts with; three-phase and adaptive clocking).
enum class MpsseKind : std::uint8_t { none, base_12mhz, base_60mhz };

struct FtdiChipModel {
  FtdiChip chip;
  std::string_view key;          // as options name it: "ft2232h"
  std::string_view name;         // as the datasheet names it: "FT2232H"
  std::uint16_t product;         // FTDI's own product ID for the chip
  std::uint16_t bcd_device;      // the chip's release, which tells the host the chip
  std::string_view description;  // the product string of a chip with a blank EEPROM
  int channels;                  // A, B, ...
  std::uint8_t mpsse_channels;   // bit n: channel A + n runs MPSSE
  MpsseKind mpsse;
  int packet;              // bulk packet size: 64 at full speed, 512 at high speed
  int tx_fifo;             // per channel, host to chip
  int rx_fifo;             // per channel, chip to host
  std::uint8_t d2xx_type;  // the device type the vendor library reports for it

  constexpr bool high_speed() const { return packet == 512; }
  // 60 MHz MPSSE clock, three-phase and adaptive clocking.
  constexpr bool h_chip() const { return mpsse == MpsseKind::base_60mhz; }
};

inline constexpr FtdiChipModel ftdi_chip_models[] = {
    {FtdiChip::ft232r, "ft232r", "FT232R", 0x6001, 0x0600, "FT232R USB UART", 1, 0x0,
     MpsseKind::none, 64, 128, 256, 5},
    {FtdiChip::ft_x, "ft231x", "FT231X", 0x6015, 0x1000, "FT231X USB UART", 1, 0x0, MpsseKind::none,
     64, 512, 512, 9},
    {FtdiChip::ft2232d, "ft2232d", "FT2232D", 0x6010, 0x0500, "Dual RS232", 2, 0x1,
     MpsseKind::base_12mhz, 64, 384, 128, 4},
    {FtdiChip::ft2232h, "ft2232h", "FT2232H", 0x6010, 0x0700, "Dual RS232-HS", 2, 0x3,
     MpsseKind::base_60mhz, 512, 4096, 4096, 6},
    {FtdiChip::ft4232h, "ft4232h", "FT4232H", 0x6011, 0x0800, "Quad RS232-HS", 4, 0x3,
     MpsseKind::base_60mhz, 512, 2048, 2048, 7},
    {FtdiChip::ft232h, "ft232h", "FT232H", 0x6014, 0x0900, "Single RS232-HS", 1, 0x1,
     MpsseKind::base_60mhz, 512, 1024, 1024, 8},
};

constexpr const FtdiChipModel& ftdi_chip_model(FtdiChip chip) {
  for (const FtdiChipModel& model : ftdi_chip_models) {
    if (model.chip == chip) return model;
  }
  return ftdi_chip_models[0];
}

// The model whose key is `key`, or null.
constexpr const FtdiChipModel* find_ftdi_chip(std::string_view key) {
  for (const FtdiChipModel& model : ftdi_chip_models) {
    if (model.key == key) return &model;
  }
  return nullptr;
}

// The model a USB device's release (bcdDevice) tells, or null.
constexpr const FtdiChipModel* find_ftdi_chip_by_release(std::uint16_t bcd_device) {
  for (const FtdiChipModel& model : ftdi_chip_models) {
    if (model.bcd_device == bcd_device) return &model;
  }
  return nullptr;
}

// The model of a device type of the vendor library, or null.
constexpr const FtdiChipModel* find_ftdi_chip_by_d2xx_type(std::uint32_t type) {
  for (const FtdiChipModel& model : ftdi_chip_models) {
    if (model.d2xx_type == type) return &model;
  }
  return nullptr;
}

// Whether channel `channel` (0 for A, 1 for B, ...) of the chip runs MPSSE.
constexpr bool has_mpsse(const FtdiChipModel& chip, int channel) {
  return channel >= 0 && channel < chip.channels && ((chip.mpsse_channels >> channel) & 1u) != 0;
}
constexpr bool has_mpsse(FtdiChip chip, char channel) {
  return has_mpsse(ftdi_chip_model(chip), channel - 'A');
}

}  // namespace tapwright
