#pragma once
// A chip that only bit-bangs, with a chain of its own: the default model.
#include "sim/sim_chip.hpp"

namespace tapwright::sim {

using BitBangChip = SimChip;

}  // namespace tapwright::sim
