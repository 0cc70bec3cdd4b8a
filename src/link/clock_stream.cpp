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
  bank_first_[cur_bank_] = written_cycles_;
  written_cycles_ += static_cast<std::uint64_t>(out_len_ / 2);
  out_len_ = 0;
  if (compare != 1) return 1;

  if (!force) {
    if (drained_) {
      // The first block of a series: it waits, as the bank that is not
      // current, to be read back at the next flush.
      drained_ = 0;
      cur_bank_ ^= 1;
      return 1;
    }
    if (read_back_pass(device)) return 1;
    broken_ = true;
    return 0;
  }

  // The drain: first the block written before this one (an empty bank when
  // none waits, which only toggles), then the block just written.
  if (!read_back_pass(device) || !read_back_pass(device)) {
    broken_ = true;
    return 0;
  }
  drained_ = 1;
  return 1;
}

int ClockStream::read_back_pass(DeviceHandle device) {
  ExpectationBank& bank = banks_[cur_bank_ ^ 1];
  const std::int32_t n = bank.clocks;
  if (n > 0) {
    const auto want = static_cast<std::uint32_t>(2 * n);
    std::uint32_t got = 0;
    device_.read(device, in_buf_.data(), want, &got);
    if (got != want) return 0;
    // TDO of cycle j is sampled with the byte that raises TCK, index 2j + 1.
    std::int32_t differing = 0;
    for (std::int32_t j = 0; j < n; ++j) {
      const auto e = static_cast<unsigned>(bank.entries[j]);
      const unsigned tdo = (in_buf_[2 * j + 1] >> 3) & 1u;
      differing += static_cast<std::int32_t>((e >> 1) & (tdo ^ e) & 1u);
    }
    mismatch_count_ += differing;
    if (listener_) {
      for (std::int32_t j = 0; j < n; ++j) tdo_bits_[j] = (in_buf_[2 * j + 1] >> 3) & 1u;
      listener_->on_read_back(bank_first_[cur_bank_ ^ 1], tdo_bits_.data(), bank.entries.data(), n,
                              differing);
    }
  }
  bank.clocks = 0;
  cur_bank_ ^= 1;
  return 1;
}

}  // namespace tapwright
