#include "link/bit_bang_link.hpp"

#include "link/bit_bang_shift.hpp"

namespace tapwright {

int BitBangLink::clock_tms(std::uint64_t tms, int count, int tdi) {
  for (int i = 0; i < count; ++i) {
    if (!stream_.tap_clock(device_, static_cast<int>((tms >> i) & 1u), tdi, 0, 0, compare_, 0)) {
      return 0;
    }
  }
  return 1;
}

int BitBangLink::clock_held(std::uint64_t count, int tms) {
  for (std::uint64_t i = 0; i < count; ++i) {
    if (!stream_.tap_clock(device_, tms, 0, 0, 0, compare_, 0)) return 0;
  }
  return 1;
}

int BitBangLink::shift(const ShiftRun& run) {
  // In compare mode every clock is read back; a run not compared is
  // recorded as cared for nowhere.
  const bool compared = run.compare && compare_ == 1;
  return tap_shift_digits(stream_, device_, run.bits, run.tdi, compared ? run.tdo : "0",
                          compared ? run.mask : "0", compare_, run.exit ? 1 : 0);
}

}  // namespace tapwright
