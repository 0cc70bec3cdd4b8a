#pragma once
// The FTDI devices a back end sees, for tapwright-play: listed for
// --scan-usb, and the one the options choose, opened as the run's device.
#include <cstdio>
#include <memory>
#include <string>

#include "driver/cable_session.hpp"
#include "link/chosen_device.hpp"
#include "play/play_options.hpp"

namespace tapwright::play {

// Prints the listing on `out`: 1, or 0 after saying on `err` that the back
// end could not list.
int scan_usb(Device& back_end, std::FILE* out, std::FILE* err);

// The channel the options choose, as a device whose device 0 it is, with
// `setup`'s channel set to it and `label` naming it; null after saying on
// `err` why there is none.
std::unique_ptr<ChosenDevice> choose_attached(Device& back_end, const PlayOptions& options,
                                              CableSetup& setup, std::string& label,
                                              std::FILE* err);

}  // namespace tapwright::play
