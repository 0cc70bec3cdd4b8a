#pragma once
// The FTDI chips a simulated cable can be: the chip table of the link, by
// the names options give them.
#include <string_view>

#include "link/ftdi_chip.hpp"

namespace tapwright::sim {

using ChipModel = FtdiChipModel;
inline constexpr const auto& chip_models = ftdi_chip_models;

// The chip a simulated cable is unless told otherwise: bit-bang only.
inline constexpr const ChipModel& default_chip = ftdi_chip_models[0];

// The model called `name`, or null.
inline const ChipModel* find_chip_model(std::string_view name) {
  return find_ftdi_chip(name);
}

}  // namespace tapwright::sim
