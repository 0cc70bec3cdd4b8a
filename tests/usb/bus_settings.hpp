#pragma once
// What the emulated bus holds, read from the TAPWRIGHT_USB_EMU variable:
// blank-separated key=value words, a word ";" between two devices. A value
// with blanks goes in double quotes (product="Dual RS232-HS").
//
// Each device starts from these settings:
//   chip=ft232r        the chip (a name of chip_models, or none: no device)
//   chain=LIST         the chain on its pins (as tapwright-sim's --chain)
//   pins=FILE          every byte put on the pins (written at exit)
//   report=FILE        what the device did, key and value per line
//   trace=FILE         a letter per transfer: b for a bit-mode request, c for
//                      another control request, o and i for bulk transfers
//   unplug=N           from its N-th transfer on, the device is gone
//   silent=N           from its N-th transfer on, its ports stop: what they
//                      held is lost, and the bus finds nothing more in them
//   gap=N              every N-th transfer that reads finds nothing ready, as
//                      when the host polls just as the latency timer runs out
//   id=VVVV:PPPP       vendor and product ID (FTDI's for the chip)
//   manufacturer=TEXT  (FTDI), product=TEXT (the chip's own description),
//   serial=TEXT        (none: the device has no serial string)
//   bus=N address=N    where the device sits (bus 1; addresses from 2 up)
// chain and pins are channel A's; chain:B=LIST, pins:C=FILE ... are those
// of the other channels of a multi-channel chip, whose chain is A's unless
// given. The report's keys are channel A's, or the device's; those of
// another channel end in :B, :C or :D.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tapwright::usb {

using Settings = std::map<std::string, std::string>;

[[noreturn]] inline void bad_setting(const std::string& word) {
  std::fprintf(stderr, "TAPWRIGHT_USB_EMU: bad setting '%s'\n", word.c_str());
  std::abort();
}

inline Settings default_settings() {
  return {{"chip", "ft232r"}, {"chain", "8:0x59604093"},
          {"pins", ""},       {"report", ""},
          {"trace", ""},      {"unplug", "0"},
          {"silent", "0"},    {"gap", "0"},
          {"id", ""},         {"manufacturer", "FTDI"},
          {"product", ""},    {"serial", ""},
          {"bus", "1"},       {"address", ""},
          {"chain:B", ""},    {"chain:C", ""},
          {"chain:D", ""},    {"pins:B", ""},
          {"pins:C", ""},     {"pins:D", ""}};
}

// One map per device, in the order given.
inline std::vector<Settings> parse_bus_settings(const char* text) {
  std::vector<Settings> devices{default_settings()};
  std::string_view rest = text ? text : "";
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  while (true) {
    while (!rest.empty() && blank(rest.front())) rest.remove_prefix(1);
    if (rest.empty()) return devices;
    if (rest.front() == ';') {
      devices.push_back(default_settings());
      rest.remove_prefix(1);
      continue;
    }
    std::size_t end = 0;
    while (end < rest.size() && !blank(rest[end]) && rest[end] != '"') ++end;
    if (end < rest.size() && rest[end] == '"') end = rest.find('"', end + 1) + 1;
    if (end == 0) bad_setting(std::string(rest));  // an unclosed quote
    const std::string word(rest.substr(0, end));
    rest.remove_prefix(std::min(end, rest.size()));
    const std::size_t eq = word.find('=');
    const auto found = devices.back().find(word.substr(0, eq));
    if (eq == std::string::npos || found == devices.back().end()) bad_setting(word);
    std::string value = word.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    found->second = value;
  }
}

}  // namespace tapwright::usb
