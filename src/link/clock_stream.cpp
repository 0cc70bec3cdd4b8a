#include "link/clock_stream.hpp"

namespace tapwright {

int ClockStream::flush(DeviceHandle device, int compare, int force) {
  std::uint32_t written = 0;  // a count the device does not report counts as 0
  // Only a sync finds nothing to write; it still reads back what waits.
  if (out_len_ > 0) {
    device_.write(device, out_buf(), static_cast<std::uint32_t>(out_len_), &written);
  }
  if (written != static_cast<std::uint32_t>(out_len_)) {
    broken_ = true;
    return 0;
  }
  read_behind_.filling().first_cycle = written_cycles_;
  written_cycles_ += static_cast<std::uint64_t>(out_len_ / 2);
  out_len_ = 0;
  if (compare != 1) return 1;
  if (read_behind_.after_write(force != 0,
                               [&](ExpectationBank& bank) { return read_back(device, bank); })) {
    return 1;
  }
  broken_ = true;
  return 0;
}

int ClockStream::read_back(DeviceHandle device, ExpectationBank& bank) {
  const std::int32_t n = bank.clocks;
  if (n == 0) return 1;
  const auto want = static_cast<std::uint32_t>(2 * n);
  std::uint32_t got = 0;
  device_.read(device, in_buf_.data(), want, &got);
  if (got != want) return 0;
  // TDO of cycle j is sampled with the byte that raises TCK, index 2j + 1.
  const unsigned shift = wiring_.tdo_shift;
  const auto tdo_of = [this, shift](std::int32_t j) { return (in_buf_[2 * j + 1] >> shift) & 1u; };
  const std::int32_t differing = count_differing(bank.entries.data(), n, tdo_of);
  mismatch_count_ += differing;
  if (listener_) {
    for (std::int32_t j = 0; j < n; ++j) tdo_bits_[j] = static_cast<std::uint8_t>(tdo_of(j));
    listener_->on_read_back(bank.first_cycle, tdo_bits_.data(), bank.entries.data(), n, differing);
  }
  return 1;
}

}  // namespace tapwright
