#pragma once
// Which pin of an FTDI chip's bit-bang port carries each JTAG signal: bit
// numbers 0 to 7, which the FT232R names TXD RXD RTS CTS DTR DSR DCD RI.
// A cable's wiring, or one given on the command line.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tapwright {

inline constexpr std::int8_t no_pin = -1;

// A reset line (TRST, SRST): its pin, the level that asserts it and,
// where a buffer drives it, the pin that enables that buffer and its
// active level. MPSSE pins count 0-7 on the low byte, 8-15 on the high.
struct ResetPin {
  std::int8_t pin = no_pin;
  bool active_high = false;  // the usual nTRST and nSRST assert low
  std::int8_t enable = no_pin;
  bool enable_high = false;
  constexpr bool present() const { return pin != no_pin; }
};

struct PinMap {
  std::int8_t tck = 2, tms = 1, tdi = 0, tdo = 3;
  ResetPin trst, srst;

  // The pins the chip drives: TCK, TMS, TDI and the reset lines.
  constexpr std::uint8_t outputs() const {
    std::uint8_t mask = static_cast<std::uint8_t>(1u << tck | 1u << tms | 1u << tdi);
    if (trst.present()) mask = static_cast<std::uint8_t>(mask | 1u << trst.pin);
    if (srst.present()) mask = static_cast<std::uint8_t>(mask | 1u << srst.pin);
    return mask;
  }
  // The pins' levels with every reset line released.
  constexpr std::uint8_t released() const {
    unsigned levels = 0;
    if (trst.present() && !trst.active_high) levels |= 1u << trst.pin;
    if (srst.present() && !srst.active_high) levels |= 1u << srst.pin;
    return static_cast<std::uint8_t>(levels);
  }
  // tapwright's own wiring: TDI TXD, TMS RXD, TCK RTS, TDO CTS.
  constexpr bool specified() const {
    return tck == 2 && tms == 1 && tdi == 0 && tdo == 3 && !trst.present() && !srst.present();
  }
};

// What SVF's TRST asks of the line: asserted, released to its inactive
// level, or let float (its buffer or its pin no output).
enum class ResetDrive : std::uint8_t { assert, release, floating };

// `value` and `dir` (1 = output), one bit per pin, with `line` driven as
// `drive` says.
constexpr void drive_reset(const ResetPin& line, ResetDrive drive, std::uint16_t& value,
                           std::uint16_t& dir) {
  const auto set = [&](int pin, bool level) {
    const auto bit = static_cast<std::uint16_t>(1u << pin);
    value = static_cast<std::uint16_t>(level ? value | bit : value & ~bit);
    dir = static_cast<std::uint16_t>(dir | bit);
  };
  if (drive == ResetDrive::floating) {
    if (line.enable == no_pin) {
      dir = static_cast<std::uint16_t>(dir & ~(1u << line.pin));
    } else {
      set(line.enable, !line.enable_high);
    }
    return;
  }
  set(line.pin, (drive == ResetDrive::assert) == line.active_high);
  if (line.enable != no_pin) set(line.enable, line.enable_high);
}

inline constexpr std::array<std::string_view, 8> ft232r_pin_names = {"TXD", "RXD", "RTS", "CTS",
                                                                     "DTR", "DSR", "DCD", "RI"};

// "TCK=RTS,TMS=RXD,TDI=TXD,TDO=CTS", optionally TRST= and SRST= (asserted
// low): 1 with `map` set, or 0 with the reason in `problem`.
int parse_pin_map(std::string_view text, PinMap& map, std::string& problem);
// The map as parse_pin_map reads it, with the FT232R's pin names.
std::string pin_map_text(const PinMap& map);

}  // namespace tapwright
