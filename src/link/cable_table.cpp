#include "link/cable_table.hpp"

#include <string>

namespace tapwright {

namespace {

constexpr std::uint16_t ftdi = 0x0403;
using E = CableEncoding;
using C = FtdiChip;

// ResetPin: pin, asserted high, enable pin, enable asserted high.
constexpr ResetPin low_active(int pin, int enable = no_pin) {
  return {static_cast<std::int8_t>(pin), false, static_cast<std::int8_t>(enable), false};
}
// Bit-bang wirings: TCK, TMS, TDI, TDO, TRST, SRST.
constexpr PinMap wired(int tck, int tms, int tdi, int tdo, ResetPin trst = {}, ResetPin srst = {}) {
  return {static_cast<std::int8_t>(tck),
          static_cast<std::int8_t>(tms),
          static_cast<std::int8_t>(tdi),
          static_cast<std::int8_t>(tdo),
          trst,
          srst};
}
// MPSSE cables all carry the JTAG pins on AD0-AD3; only reset lines differ.
constexpr PinMap resets(ResetPin trst, ResetPin srst = {}) {
  return {0, 3, 1, 2, trst, srst};
}
constexpr int ac = 8;  // the high byte's first pin
constexpr std::uint64_t h_max = 30'000'000, d_max = 6'000'000, bit_bang_max = 1'000'000;

// The plain chip names clock the MPSSE pins (TCK AD0, TDI AD1, TDO AD2, TMS
// AD3) with nothing else driven.
// clang-format off
// name, summary, chip, encoding, VID, PID, channel,
//   low value/direction, high value/direction, fastest TCK, pins, other pins.
constexpr CableRow rows[] = {
    {"tapwright", "any FTDI chip in bit-bang mode: TDI TXD, TMS RXD, TCK RTS, TDO CTS",
     C::ft232r, E::bit_bang, ftdi, 0x6001, 'A', 0, 0, 0, 0, bit_bang_max, {}, ""},
    {"ft2232h", "an FT2232H, channel A, its MPSSE pins (TCK AD0, TDI AD1, TDO AD2, TMS AD3)",
     C::ft2232h, E::mpsse, ftdi, 0x6010, 'A', 0x08, 0x0B, 0x00, 0x00, h_max, {}, ""},
    {"ft4232h", "an FT4232H, channel A, its MPSSE pins",
     C::ft4232h, E::mpsse, ftdi, 0x6011, 'A', 0x08, 0x0B, 0x00, 0x00, h_max, {}, ""},
    {"ft232h", "an FT232H, its MPSSE pins",
     C::ft232h, E::mpsse, ftdi, 0x6014, 'A', 0x08, 0x0B, 0x00, 0x00, h_max, {}, ""},
    {"ft2232d", "an FT2232D, channel A, its MPSSE pins",
     C::ft2232d, E::mpsse, ftdi, 0x6010, 'A', 0x08, 0x0B, 0x00, 0x00, d_max, {}, ""},
    {"ft2232", "a generic FT2232 cable, channel A",
     C::ft2232d, E::mpsse, ftdi, 0x6010, 'A', 0x08, 0x0B, 0x08, 0x0B, d_max, {}, ""},
    {"ft2232h-mini-module", "FTDI's FT2232H mini-module, channel A",
     C::ft2232h, E::mpsse, ftdi, 0x6010, 'A', 0x08, 0x0B, 0x00, 0x00, h_max,
     resets({}, low_active(5)), ""},
    {"digilent-hs2", "Digilent JTAG-HS2",
     C::ft232h, E::mpsse, ftdi, 0x6014, 'A', 0xE8, 0xEB, 0x00, 0x60, h_max, {},
     "AD5-AD7 high (buffer enables)"},
    {"digilent-hs3", "Digilent JTAG-HS3",
     C::ft232h, E::mpsse, ftdi, 0x6014, 'A', 0x88, 0x8B, 0x20, 0x30, h_max,
     resets({}, low_active(ac + 5, ac + 4)), "AD7 high"},
    {"digilent-onboard", "the Digilent programmer on Arty, Basys 3, Nexys A7 ... boards",
     C::ft2232h, E::mpsse, ftdi, 0x6010, 'A', 0xE8, 0xEB, 0x00, 0x60, h_max, {},
     "AD5-AD7 high (buffer enables)"},
    {"olimex-arm-usb-ocd-h", "Olimex ARM-USB-OCD-H",
     C::ft2232h, E::mpsse, 0x15BA, 0x002B, 'A', 0x08, 0x1B, 0x09, 0x0B, h_max,
     resets(low_active(ac), {ac + 1, true}), "AD4 buffer enable (low), LED AC3"},
    {"olimex-arm-usb-tiny-h", "Olimex ARM-USB-TINY-H",
     C::ft2232h, E::mpsse, 0x15BA, 0x002A, 'A', 0x08, 0x1B, 0x08, 0x0A, h_max,
     resets(low_active(ac), {ac + 1, true}), "AD4 buffer enable (low), LED AC3"},
    {"tigard", "Tigard, its JTAG port (channel B)",
     C::ft2232h, E::mpsse, ftdi, 0x6010, 'B', 0x38, 0x3B, 0x00, 0x00, h_max,
     resets(low_active(4), low_active(5)), ""},
    {"bus-blaster", "Dangerous Prototypes Bus Blaster",
     C::ft2232h, E::mpsse, ftdi, 0x6010, 'A', 0x08, 0x1B, 0x0C, 0x0F, h_max,
     resets(low_active(ac, ac + 2), low_active(ac + 1, ac + 3)), "AD4 buffer enable (low)"},
    {"c232hm", "FTDI's C232HM cable, or any FT232H wired the same",
     C::ft232h, E::mpsse, ftdi, 0x6014, 'A', 0x08, 0x0B, 0x40, 0x40, h_max, {},
     "LED AC6 (low)"},
    {"ft232r", "the usual FT232R JTAG adapter",
     C::ft232r, E::bit_bang, ftdi, 0x6001, 'A', 0, 0, 0, 0, bit_bang_max,
     wired(0, 3, 1, 2, low_active(4), low_active(6)), ""},
    {"ulx3s", "the FT231X of a ULX3S board",
     C::ft_x, E::bit_bang, ftdi, 0x6015, 'A', 0, 0, 0, 0, bit_bang_max,
     wired(5, 6, 7, 3, low_active(2), low_active(4)), ""},
    {"ulx2s", "the FT232R of a ULX2S board",
     C::ft232r, E::bit_bang, ftdi, 0x6001, 'A', 0, 0, 0, 0, bit_bang_max, wired(5, 7, 3, 6), ""},
};
// clang-format on

}  // namespace

std::span<const CableRow> cable_rows() {
  return rows;
}

const CableRow* find_cable(std::string_view name) {
  for (const CableRow& row : rows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

std::string_view cable_names() {
  static const std::string names = [] {
    std::string text;
    for (const CableRow& row : rows) text += (text.empty() ? "" : ", ") + std::string(row.name);
    return text;
  }();
  return names;
}

}  // namespace tapwright
