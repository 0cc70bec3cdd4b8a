#pragma once
// Which of the attached FTDI channels a run opens, as plain rules over the
// listing: the selectors narrow it to one chip, or with none given one chip
// must be attached (or one that matches the named cable's USB identity);
// the channel is the one asked, else the cable's. Never a guess.
#include <cstddef>
#include <string>

#include "link/cable_table.hpp"
#include "link/device_list.hpp"
#include "play/device_selectors.hpp"

namespace tapwright::play {

struct DeviceRequest {
  const DeviceSelectors* selectors = nullptr;
  char channel = 0;                 // --channel; 0: not given
  const CableRow* cable = nullptr;  // the cable to be driven
  bool cable_named = false;         // --cable was given
};

// 1 with `chosen` the position of the channel in `list`; or 0 with the
// reason in `problem`, which lists what is attached or what matched.
int choose_device(const DeviceList& list, const DeviceRequest& request, std::size_t& chosen,
                  std::string& problem);

// The listing's line for the channel at `position`: its index, chip,
// VID:PID, bus and device, serial, description, MPSSE or not, and the cable
// its USB identity suggests.
std::string listing_line(const DeviceList& list, std::size_t position);
// The whole listing, or what to check when it is empty.
std::string listing_text(const DeviceList& list);

// The named cable a channel's USB identity suggests: the row of its VID:PID
// and channel, or for FTDI's own IDs the row named after its chip; or null.
const CableRow* suggested_cable(const ListedChannel& channel);

// How messages name the channel at `position`: its serial, or its index and
// chip when it has none ("serial A10KZP3Q", "device 3 (FT2232H B)").
std::string device_label(const DeviceList& list, std::size_t position);

}  // namespace tapwright::play
