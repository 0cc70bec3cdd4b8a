#include "link/bit_bang_link.hpp"

#include "link/bit_bang_shift.hpp"
#include "link/cable_rate.hpp"

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

std::uint64_t BitBangLink::set_rate(std::uint64_t hz) {
  if (!control_) return 0;
  // The chip takes the divisor at once: the bytes before it go at the old
  // rate only when they are on the wire.
  const std::uint16_t divisor = bit_bang_divisor(hz);
  if (divisor == divisor_) return bit_bang_rate(divisor);
  if (!stream_.tap_sync(device_, compare_) ||
      control_->set_divisor(device_, divisor) != device_ok) {
    return 0;
  }
  divisor_ = divisor;
  return bit_bang_rate(divisor);
}

int BitBangLink::drive_trst(ResetDrive drive) {
  if (!control_ || !pins_.trst.present()) return -1;
  std::uint16_t value = levels_, dir = directions_;
  drive_reset(pins_.trst, drive, value, dir);
  if (!stream_.tap_sync(device_, compare_)) return 0;
  if (dir != directions_ &&
      control_->set_bit_mode(device_, static_cast<std::uint8_t>(dir), mode_) != device_ok) {
    return 0;
  }
  levels_ = static_cast<std::uint8_t>(value);
  directions_ = static_cast<std::uint8_t>(dir);
  BitBangWiring wiring = make_wiring(pins_, levels_);
  wiring.outputs = directions_;
  stream_.rewire(wiring);
  // One byte with TCK low puts the new level on the pin now, not with the
  // next clock; in synchronous mode the byte it returns is dropped.
  const std::uint8_t byte = wiring.first_byte(0, 0);
  std::uint32_t done = 0;
  control_->write(device_, &byte, 1, &done);
  if (done != 1) return 0;
  if (mode_ == mode_sync_bitbang) {
    std::uint8_t sampled = 0;
    control_->read(device_, &sampled, 1, &done);
    if (done != 1) return 0;
  }
  return 1;
}

}  // namespace tapwright
