#include "play/device_choice.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tapwright::play {
namespace {

constexpr std::uint16_t ftdi_vendor = 0x0403;

#ifdef _WIN32
constexpr const char* what_to_check =
    "check that it is plugged in and that FTDI's D2XX driver is installed";
#else
constexpr const char* what_to_check =
    "check that it is plugged in, that you may\n"
    "open it (the udev rule 70-tapwright-ftdi.rules: see the README), and with FTDI's\n"
    "own library that the ftdi_sio driver is unloaded";
#endif

std::string lines_of(const DeviceList& list, const std::vector<std::size_t>& positions) {
  std::string text;
  for (const std::size_t p : positions) text += "  " + listing_line(list, p) + "\n";
  return text;
}

std::vector<std::size_t> all_of(const DeviceList& list) {
  std::vector<std::size_t> positions(list.size());
  for (std::size_t p = 0; p < list.size(); ++p) positions[p] = p;
  return positions;
}

// The chips (device numbers) of the channels at `positions`, once each.
std::vector<int> chips_of(const DeviceList& list, const std::vector<std::size_t>& positions) {
  std::vector<int> chips;
  for (const std::size_t p : positions) {
    if (std::find(chips.begin(), chips.end(), list[p].device) == chips.end()) {
      chips.push_back(list[p].device);
    }
  }
  return chips;
}

// Whether the channel is one the cable can be: tapwright's own wiring is
// bit-bang on any chip; every other cable needs its chip, and an MPSSE
// cable a channel with the engine.
bool fits(const CableRow& cable, const ListedChannel& channel) {
  if (cable.name == default_cable) return true;
  return channel.chip == &ftdi_chip_model(cable.chip) &&
         (cable.encoding == CableEncoding::bit_bang || channel.mpsse());
}

// The chips that are the named cable by their USB identity.
std::vector<int> cable_chips(const DeviceList& list, const CableRow& cable) {
  std::vector<std::size_t> positions;
  for (std::size_t p = 0; p < list.size(); ++p) {
    if (list[p].vid == cable.vid && list[p].pid == cable.pid && fits(cable, list[p])) {
      positions.push_back(p);
    }
  }
  return chips_of(list, positions);
}

}  // namespace

const CableRow* suggested_cable(const ListedChannel& channel) {
  for (const CableRow& row : cable_rows()) {
    if (row.vid != ftdi_vendor && row.vid == channel.vid && row.pid == channel.pid &&
        row.channel == channel.channel) {
      return &row;
    }
  }
  if (channel.vid != ftdi_vendor || !channel.chip) return nullptr;
  const CableRow* plain = find_cable(channel.chip->key);
  return plain && fits(*plain, channel) ? plain : nullptr;
}

std::string listing_line(const DeviceList& list, std::size_t position) {
  const ListedChannel& c = list[position];
  char id[16];
  std::snprintf(id, sizeof id, "%04x:%04x", c.vid, c.pid);
  std::string line = std::to_string(position + 1) + ": " + chip_text(c) + ", " + id;
  if (c.bus >= 0) line += ", bus " + std::to_string(c.bus) + " device " + std::to_string(c.address);
  line += c.serial.empty() ? ", no serial" : ", serial " + c.serial;
  line += ", \"" + c.description + "\", " + (c.mpsse() ? "MPSSE" : "bit-bang only");
  if (const CableRow* cable = suggested_cable(c)) line += "; cable " + std::string(cable->name);
  return line;
}

std::string listing_text(const DeviceList& list) {
  if (list.empty()) return std::string("no FTDI device is attached: ") + what_to_check + "\n";
  std::string text;
  for (std::size_t p = 0; p < list.size(); ++p) text += listing_line(list, p) + "\n";
  return text;
}

std::string device_label(const DeviceList& list, std::size_t position) {
  const ListedChannel& c = list[position];
  if (c.serial.empty()) return "device " + std::to_string(position + 1) + " (" + chip_text(c) + ")";
  const bool channels = c.chip && c.chip->channels > 1;
  return "serial " + c.serial + (channels ? std::string(" channel ") + c.channel : "");
}

int choose_device(const DeviceList& list, const DeviceRequest& request, std::size_t& chosen,
                  std::string& problem) {
  if (list.empty()) {
    problem = std::string("no FTDI device is attached: ") + what_to_check;
    return 0;
  }
  const DeviceSelectors& selectors = *request.selectors;
  const std::string asked = selectors_text(selectors, request.channel);
  std::vector<std::size_t> matches;
  for (std::size_t p = 0; p < list.size(); ++p) {
    if (selected(selectors, list[p], static_cast<int>(p + 1)) &&
        (!request.channel || request.channel == list[p].channel)) {
      matches.push_back(p);
    }
  }
  std::vector<int> chips = chips_of(list, matches);
  if (chips.empty()) {
    problem = "no FTDI device matches " + asked + "; attached:\n" + lines_of(list, all_of(list));
    return 0;
  }
  if (chips.size() > 1 && !selectors.any() && request.cable_named) {
    const std::vector<int> cables = cable_chips(list, *request.cable);
    if (cables.size() == 1) chips = cables;
  }
  if (chips.size() > 1) {
    problem = selectors.any() ? "more than one FTDI device matches " + asked
                              : std::string("more than one FTDI device is attached");
    problem += "; choose one with --serial, --description, --index, --vid-pid or --bus-device:\n" +
               lines_of(list, selectors.any() ? matches : all_of(list));
    return 0;
  }
  std::erase_if(matches, [&](std::size_t p) { return list[p].device != chips[0]; });
  // The cable's channel of the chip; or the one channel matched, as an
  // index names one.
  const auto own = std::find_if(matches.begin(), matches.end(), [&](std::size_t p) {
    return list[p].channel == request.cable->channel;
  });
  chosen = own != matches.end() ? *own : matches.front();
  if (!fits(*request.cable, list[chosen])) {
    const FtdiChipModel& chip = ftdi_chip_model(request.cable->chip);
    problem =
        "cable '" + std::string(request.cable->name) + "' is an " + std::string(chip.name) +
        (request.cable->encoding == CableEncoding::mpsse ? " driven by its MPSSE engine" : "") +
        "; the device chosen is not:\n" + lines_of(list, {chosen});
    return 0;
  }
  return 1;
}

}  // namespace tapwright::play
