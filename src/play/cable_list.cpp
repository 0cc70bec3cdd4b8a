#include "play/cable_list.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "play/cable_choice.hpp"

namespace tapwright::play {

namespace {

std::string hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// A pin as the cable's documents name it: CTS, AD5, BC0.
std::string pin_name(const CableRow& cable, int pin) {
  if (cable.encoding == CableEncoding::bit_bang) {
    return std::string(ft232r_pin_names[static_cast<std::size_t>(pin)]);
  }
  return std::string(1, cable.channel) + (pin < 8 ? "D" : "C") + std::to_string(pin % 8);
}

std::string reset_text(const CableRow& cable, const char* name, const ResetPin& line) {
  if (!line.present()) return {};
  std::string text = std::string(name) + " " + pin_name(cable, line.pin) +
                     (line.active_high ? " (high)" : " (low)");
  if (line.enable != no_pin) {
    text += " enabled by " + pin_name(cable, line.enable) + (line.enable_high ? " high" : " low");
  }
  return text + ", ";
}

}  // namespace

std::string wiring_text(const CableRow& cable, const PinMap& pins) {
  if (cable.encoding == CableEncoding::bit_bang) return pin_map_text(pins);
  return "low 0x" + hex(cable.low_value, 2) + "/0x" + hex(cable.low_dir, 2) + ", high 0x" +
         hex(cable.high_value, 2) + "/0x" + hex(cable.high_dir, 2);
}

std::string cable_list() {
  std::vector<std::vector<std::string>> lines = {
      {"NAME", "CHIP", "ENCODING", "VID:PID", "WIRING", "EXTRA PINS", "TCK UP TO"}};
  for (const CableRow& cable : cable_rows()) {
    std::string extra = reset_text(cable, "TRST", cable.pins.trst) +
                        reset_text(cable, "SRST", cable.pins.srst) + std::string(cable.extra);
    if (extra.size() >= 2 && extra.compare(extra.size() - 2, 2, ", ") == 0)
      extra.resize(extra.size() - 2);
    if (extra.empty()) extra = "none";
    const FtdiChipModel& chip = ftdi_chip_model(cable.chip);
    lines.push_back(
        {std::string(cable.name),
         std::string(chip.name) + (chip.channels > 1 ? " " + std::string(1, cable.channel) : ""),
         cable.encoding == CableEncoding::mpsse ? "MPSSE" : "bit-bang",
         hex(cable.vid, 4) + ":" + hex(cable.pid, 4), wiring_text(cable, cable.pins), extra,
         rate_text(static_cast<double>(cable.max_hz))});
  }
  std::vector<std::size_t> widths(lines[0].size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  std::string text;
  for (const auto& line : lines) {
    std::string row;
    for (std::size_t i = 0; i < line.size(); ++i) {
      row += line[i];
      if (i + 1 < line.size()) row += std::string(widths[i] - line[i].size() + 2, ' ');
    }
    text += row + "\n";
  }
  return text;
}

}  // namespace tapwright::play
