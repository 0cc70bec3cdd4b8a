#pragma once
// The named cables as --list-cables shows them, and a cable's pins as
// messages name them.
#include <string>

#include "link/cable_table.hpp"

namespace tapwright::play {

// One line per cable under a heading: name, chip, encoding, VID:PID and
// channel, wiring, extra pins, fastest TCK.
std::string cable_list();

// "TCK=TXD,TMS=CTS,...": a bit-bang cable's wiring; "low 0x08/0x0b, high
// 0x00/0x00": an MPSSE cable's pins at bring-up (value/direction).
std::string wiring_text(const CableRow& cable, const PinMap& pins);

}  // namespace tapwright::play
