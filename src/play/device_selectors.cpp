#include "play/device_selectors.hpp"

#include <charconv>
#include <cstdio>

namespace tapwright::play {
namespace {

using cli::Takes;

constexpr cli::Option rows[] = {
    {scan_usb_option,
     "--scan-usb",
     0,
     Takes::nothing,
     {},
     "list the attached FTDI devices, a line per channel,\nwith the index to choose it by; no FILE",
     true},
    {serial_option, "--serial", 0, Takes::value, "S", "use the FTDI device with serial number S"},
    {description_option, "--description", 0, Takes::value, "TEXT",
     "use the FTDI device whose description (product\nstring) is TEXT"},
    {index_option, "--index", 0, Takes::value, "N", "use channel N of the --scan-usb listing"},
    {vid_pid_option, "--vid-pid", 0, Takes::value, "VVVV:PPPP",
     "use the FTDI device with this USB vendor and product\nID (hexadecimal)"},
    {bus_device_option, "--bus-device", 0, Takes::value, "B:D",
     "use the FTDI device at USB bus B, device D (Linux)"},
};

// A whole number in `base` from `low` to `high`, all of `text`; -1 otherwise.
int parse_number(std::string_view text, int base, int low, int high) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return -1;
  }
  return value;
}

// "A:B" as two numbers; 0 when it is not that.
int parse_pair(const std::string& text, int base, int high, int& first, int& second) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return 0;
  first = parse_number(std::string_view(text).substr(0, colon), base, 0, high);
  second = parse_number(std::string_view(text).substr(colon + 1), base, 0, high);
  return first >= 0 && second >= 0;
}

std::string hex4(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

}  // namespace

std::span<const cli::Option> device_option_rows() {
  return rows;
}

int set_device_option(int id, const std::string& value, DeviceSelectors& s, std::string& problem) {
  switch (id) {
    case scan_usb_option:
      s.scan_usb = true;
      return 1;
    case serial_option:
      s.serial = value;
      return 1;
    case description_option:
      s.description = value;
      return 1;
    case index_option:
      s.index = parse_number(value, 10, 1, 9999);
      if (s.index > 0) return 1;
      problem =
          "--index needs a line number of the --scan-usb listing (1, 2, ...), not '" + value + "'";
      return 0;
    case vid_pid_option:
      if (parse_pair(value, 16, 0xFFFF, s.vid, s.pid)) return 1;
      problem = "--vid-pid needs two hexadecimal IDs like 0403:6010, not '" + value + "'";
      return 0;
    default:
      if (parse_pair(value, 10, 255, s.bus, s.address)) return 1;
      problem = "--bus-device needs a bus and a device number like 3:9, not '" + value + "'";
      return 0;
  }
}

bool selected(const DeviceSelectors& s, const ListedChannel& c, int index) {
  return (s.serial.empty() || s.serial == c.serial || s.serial == c.serial + c.channel) &&
         (s.description.empty() || s.description == c.description) &&
         (!s.index || s.index == index) && (s.vid < 0 || (s.vid == c.vid && s.pid == c.pid)) &&
         (s.bus < 0 || (s.bus == c.bus && s.address == c.address));
}

std::string selectors_text(const DeviceSelectors& s, char channel) {
  std::string text;
  const auto add = [&text](const std::string& option) {
    text += (text.empty() ? "" : " ") + option;
  };
  if (!s.serial.empty()) add("--serial " + s.serial);
  if (!s.description.empty()) add("--description '" + s.description + "'");
  if (s.index) add("--index " + std::to_string(s.index));
  if (s.vid >= 0) add("--vid-pid " + hex4(s.vid) + ":" + hex4(s.pid));
  if (s.bus >= 0) add("--bus-device " + std::to_string(s.bus) + ":" + std::to_string(s.address));
  if (channel) add(std::string("--channel ") + channel);
  return text;
}

}  // namespace tapwright::play
