#include "sim/sim_chip.hpp"

#include <limits>

namespace tapwright::sim {

int SimChip::set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
  if (mode == mode_mpsse) {
    if (!has_mpsse(model_, channel_)) return 0;
    mpsse_.reset((port_.pins() & pin_tck) != 0);
  } else if (mode != mode_reset && !port_.set_bit_mode(mask, mode)) {
    return 0;
  }
  mode_ = mode;
  return 1;
}

std::span<const std::uint8_t> SimChip::apply(const std::uint8_t* bytes, std::size_t count,
                                             VcdWriter* trace) {
  if (mode_ == mode_reset) return {};
  if (mode_ != mode_mpsse) return port_.apply(bytes, count, trace);
  const std::size_t before = returned_.size();
  mpsse_.write(bytes, count);
  constexpr auto unlimited = std::numeric_limits<std::uint64_t>::max();
  while (mpsse_.run(unlimited, std::numeric_limits<std::size_t>::max(), trace).stop ==
         MpsseStop::send_immediate) {
  }
  const std::size_t added = returned_.size() - before;
  return {returned_.end() - added, added};
}

}  // namespace tapwright::sim
