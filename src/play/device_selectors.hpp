#pragma once
// The options that list the attached FTDI devices and pick one of them,
// as rows of the command-line table, and what a pick asks of a listed
// channel.
#include <span>
#include <string>

#include "cli/command_line.hpp"
#include "link/device_list.hpp"

namespace tapwright::play {

enum DeviceOptionId {
  scan_usb_option = 100,
  serial_option,
  description_option,
  index_option,
  vid_pid_option,
  bus_device_option,
};

struct DeviceSelectors {
  bool scan_usb = false;    // list them and play nothing
  std::string serial;       // empty: any
  std::string description;  // the product string, whole; empty: any
  int index = 0;            // in the listing, from 1; 0: any
  int vid = -1, pid = -1;   // -1: any
  int bus = -1, address = -1;

  // Whether a device was asked for (the channel aside).
  bool any() const {
    return !serial.empty() || !description.empty() || index || vid >= 0 || bus >= 0;
  }
};

std::span<const cli::Option> device_option_rows();

// Takes the value of option `id`: 1, or 0 with the reason in `problem`.
int set_device_option(int id, const std::string& value, DeviceSelectors& selectors,
                      std::string& problem);

// Whether the channel at `index` (from 1) of a listing is one the selectors
// allow. A serial matches with or without the channel letter that the
// vendor library appends to it.
bool selected(const DeviceSelectors& selectors, const ListedChannel& channel, int index);

// The selectors as given, for a message: "--serial X --channel B".
std::string selectors_text(const DeviceSelectors& selectors, char channel);

}  // namespace tapwright::play
