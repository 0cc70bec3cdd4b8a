#include "play/cable_choice.hpp"

#include <algorithm>
#include <cstdio>

#include "fullsvf/decimal_number.hpp"
#include "link/cable_rate.hpp"
#include "link/mpsse_setup.hpp"

namespace tapwright::play {

namespace {

// The largest whole number of Hz not above `rate`.
std::uint64_t floor_hz(const fullsvf::DecimalNumber& rate) {
  if (const auto whole = rate.whole()) return *whole;
  const auto above = rate.ceil();
  return above ? *above - 1 : UINT64_MAX;
}

int choose_channel(const PlayOptions& o, const CableRow& cable, char& channel,
                   std::string& problem) {
  const FtdiChipModel& chip = ftdi_chip_model(cable.chip);
  channel = o.channel ? o.channel : cable.channel;
  // tapwright's own wiring is bit-bang on any chip: the chip chosen tells.
  if (cable.name != default_cable && channel - 'A' >= chip.channels) {
    problem = "--channel " + std::string(1, channel) + ": the " + std::string(chip.name) +
              " of cable '" + std::string(cable.name) + "' has " +
              (chip.channels == 1
                   ? std::string("one channel")
                   : "channels A to " + std::string(1, static_cast<char>('A' + chip.channels - 1)));
    return 0;
  }
  if (cable.encoding == CableEncoding::mpsse && !has_mpsse(cable.chip, channel)) {
    problem = "--channel " + std::string(1, channel) + ": channel " + std::string(1, channel) +
              " of an " + std::string(chip.name) + " has no MPSSE engine";
    return 0;
  }
  return 1;
}

}  // namespace

std::string rate_text(double hz) {
  const char* units[] = {"Hz", "kHz", "MHz"};
  int unit = 0;
  while (hz >= 1000 && unit < 2) {
    hz /= 1000;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.6g %s", hz, units[unit]);
  return text;
}

int choose_cable(const PlayOptions& o, CableChoice& choice, std::string& problem) {
  const std::string name = o.cable.empty() ? std::string(default_cable) : o.cable;
  const CableRow* cable = find_cable(name);
  if (!cable) {
    problem =
        "--cable: no cable is named '" + name + "'; the names are " + std::string(cable_names());
    return 0;
  }
  choice.setup.compare = o.compare;
  choice.setup.cable = cable;
  choice.setup.pins = cable->pins;
  if (!choose_channel(o, *cable, choice.setup.channel, problem)) return 0;
  if (!o.pins.empty()) {
    if (cable->encoding != CableEncoding::bit_bang) {
      problem = "--pins wires a bit-bang cable; cable '" + name + "' drives the MPSSE pins";
      return 0;
    }
    if (!parse_pin_map(o.pins, choice.setup.pins, problem)) return 0;
  }
  std::uint64_t asked = 0;
  if (!o.tck_hz.empty()) {
    const auto rate = fullsvf::parse_rate(o.tck_hz);
    if (!rate || rate->is_zero()) {
      problem = "--tck-hz needs a clock rate above 0 (like 6000000, 6MHz or 500kHz), not '" +
                o.tck_hz + "'";
      return 0;
    }
    asked = floor_hz(*rate);
  }
  const bool bit_bang = cable->encoding == CableEncoding::bit_bang;
  choice.min_hz = slowest_cable_rate(*cable);
  if (asked && asked < choice.min_hz) {
    problem = "--tck-hz " + rate_text(static_cast<double>(asked)) + " is below the slowest rate " +
              "of an " + std::string(ftdi_chip_model(cable->chip).name) + " (" +
              rate_text(static_cast<double>(choice.min_hz)) + ")";
    return 0;
  }
  choice.max_hz = std::min(asked ? asked : cable->max_hz, cable->max_hz);
  // Bit-bang runs at the chip's fastest rate unless asked otherwise.
  choice.start_hz = std::min(asked      ? asked
                             : bit_bang ? cable->max_hz
                                        : default_mpsse_hz,
                             choice.max_hz);
  choice.setup.tck_hz = bit_bang && !asked ? 0 : choice.start_hz;
  return 1;
}

}  // namespace tapwright::play
