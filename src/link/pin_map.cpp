#include "link/pin_map.hpp"

#include <utility>

namespace tapwright {

namespace {

// A pin by FT232R name or bit number; no_pin when it is neither.
std::int8_t pin_named(std::string_view name) {
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '7') {
    return static_cast<std::int8_t>(name[0] - '0');
  }
  for (std::size_t i = 0; i < ft232r_pin_names.size(); ++i) {
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (upper == ft232r_pin_names[i]) return static_cast<std::int8_t>(i);
  }
  return no_pin;
}

}  // namespace

int parse_pin_map(std::string_view text, PinMap& map, std::string& problem) {
  static constexpr std::string_view signals[] = {"TCK", "TMS", "TDI", "TDO", "TRST", "SRST"};
  std::int8_t pins[6] = {no_pin, no_pin, no_pin, no_pin, no_pin, no_pin};
  const std::string given = "--pins '" + std::string(text) + "': ";
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const std::size_t equals = item.find('=');
    const std::string_view signal = item.substr(0, equals);
    int which = 0;
    while (which < 6 && signals[which] != signal) ++which;
    if (equals == std::string_view::npos || which == 6) {
      problem = given + "'" + std::string(item) +
                "' is not SIGNAL=PIN with a SIGNAL of TCK, TMS, TDI, TDO, TRST, SRST";
      return 0;
    }
    const std::string_view name = item.substr(equals + 1);
    const std::int8_t pin = pin_named(name);
    if (pin == no_pin) {
      problem = given + "no pin is named '" + std::string(name) +
                "' (0 to 7, or TXD RXD RTS CTS DTR DSR DCD RI)";
      return 0;
    }
    if (pins[which] != no_pin) {
      problem = given + std::string(signal) + " is given twice";
      return 0;
    }
    for (int other = 0; other < 6; ++other) {
      if (pins[other] == pin) {
        problem = given + std::string(signals[other]) + " and " + std::string(signal) +
                  " are both on " + std::string(ft232r_pin_names[static_cast<std::size_t>(pin)]);
        return 0;
      }
    }
    pins[which] = pin;
  }
  for (int which = 0; which < 4; ++which) {
    if (pins[which] == no_pin) {
      problem = given + "no pin is given for " + std::string(signals[which]);
      return 0;
    }
  }
  map = PinMap{pins[0], pins[1], pins[2], pins[3], {pins[4]}, {pins[5]}};
  return 1;
}

std::string pin_map_text(const PinMap& map) {
  const std::pair<const char*, std::int8_t> signals[] = {
      {"TCK", map.tck}, {"TMS", map.tms},       {"TDI", map.tdi},
      {"TDO", map.tdo}, {"TRST", map.trst.pin}, {"SRST", map.srst.pin}};
  std::string text;
  for (const auto& [signal, pin] : signals) {
    if (pin == no_pin) continue;
    if (!text.empty()) text += ',';
    text.append(signal).append("=").append(ft232r_pin_names[static_cast<std::size_t>(pin)]);
  }
  return text;
}

}  // namespace tapwright
