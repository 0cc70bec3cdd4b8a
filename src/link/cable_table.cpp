#include "link/cable_table.hpp"

#include <string>

namespace tapwright {

namespace {

constexpr std::uint16_t ftdi = 0x0403;
using E = CableEncoding;
using C = FtdiChip;

// MPSSE cables wired as FTDI's JTAG cables are: TCK, TDI and TMS driven,
// TMS high, TDO read.
constexpr CableRow rows[] = {
    {"tapwright", "any FTDI chip in bit-bang mode: TDI TXD, TMS RXD, TCK RTS, TDO CTS", C::ft232r,
     E::bit_bang, ftdi, 0x6001, 'A', 0, 0, 0, 0, 1'000'000},
    {"ft2232h", "an FT2232H, channel A, its MPSSE pins (TCK AD0, TDI AD1, TDO AD2, TMS AD3)",
     C::ft2232h, E::mpsse, ftdi, 0x6010, 'A', 0x08, 0x0B, 0x00, 0x00, 30'000'000},
    {"ft4232h", "an FT4232H, channel A, its MPSSE pins", C::ft4232h, E::mpsse, ftdi, 0x6011, 'A',
     0x08, 0x0B, 0x00, 0x00, 30'000'000},
    {"ft232h", "an FT232H, its MPSSE pins", C::ft232h, E::mpsse, ftdi, 0x6014, 'A', 0x08, 0x0B,
     0x00, 0x00, 30'000'000},
    {"ft2232d", "an FT2232D, channel A, its MPSSE pins", C::ft2232d, E::mpsse, ftdi, 0x6010, 'A',
     0x08, 0x0B, 0x00, 0x00, 6'000'000},
};

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
