#pragma once
// The one path of every TCK cycle to the pins. Each cycle becomes a byte pair
// (TCK low with TMS/TDI set up, then TCK high), collected in 4096-byte blocks.
// In compare mode every cycle also records what TDO should be, and each
// written block is read back one block behind the writes, so that a read only
// ever asks for bytes the chip has already been sent.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "link/bit_bang_wiring.hpp"
#include "link/device.hpp"
#include "link/read_behind.hpp"

namespace tapwright {

class ClockStream {
 public:
  // The stream talks to the chip only through `device`'s read and write,
  // with the specified wiring unless `wiring` says otherwise.
  explicit ClockStream(Device& device, const BitBangWiring& wiring = specified_wiring)
      : device_(device), wiring_(wiring) {}
  ClockStream(const ClockStream&) = delete;
  ClockStream& operator=(const ClockStream&) = delete;

  // Appends one cycle; writes the block when it is full or `force` is 1, and
  // in compare mode (`compare` exactly 1) reads back the block before it.
  // 1 on success, 0 when the device took or returned fewer bytes than asked.
  int tap_clock(DeviceHandle device, int tms, int tdi, int expected, int care, int compare,
                int force) {
    if (broken_) return 0;
    out_pairs_[out_len_ >> 1] = wiring_.pairs[static_cast<unsigned>((tms & 1) << 1 | (tdi & 1))];
    out_len_ += 2;
    if (compare == 1) {
      ExpectationBank& bank = read_behind_.filling();
      bank.entries[bank.clocks++] =
          static_cast<Expectation>(care ? static_cast<unsigned>(expect_care | (expected & 1)) : 0u);
    }
    if (out_len_ == block_bytes || force) return flush(device, compare, force);
    return 1;
  }

  // Up to four cycles of one hex digit of a scan, bit 0 first: exactly what
  // `count` calls of tap_clock with the digits' bits would do, with TMS 1 on
  // the last of them when `tms_on_last` is 1. A whole digit that fits in the
  // block is stored at once, which keeps long scans cheap.
  int tap_clock_digit(DeviceHandle device, unsigned tdi, unsigned expected, unsigned care,
                      int count, int tms_on_last, int compare) {
    if (count == 4 && !tms_on_last && !broken_ && out_len_ <= block_bytes - 8) {
      std::memcpy(out_buf_bytes() + out_len_, &wiring_.digit_pairs[tdi & 0xFu], 8);
      out_len_ += 8;
      if (compare == 1) {
        ExpectationBank& bank = read_behind_.filling();
        const std::uint32_t entries = digit_expectations[(care & 0xFu) << 4 | (expected & 0xFu)];
        std::memcpy(bank.entries.data() + bank.clocks, &entries, 4);
        bank.clocks += 4;
      }
      if (out_len_ == block_bytes) return flush(device, compare, 0);
      return 1;
    }
    for (int b = 0; b < count; ++b) {
      const int tms = (tms_on_last && b == count - 1) ? 1 : 0;
      if (!tap_clock(device, tms, (tdi >> b) & 1, (expected >> b) & 1, (care >> b) & 1, compare,
                     0)) {
        return 0;
      }
    }
    return 1;
  }

  // The final drain: one last cycle with TMS 0 and TDI 0, everything written,
  // and in compare mode every block not yet read back is read and compared.
  int tap_flush(DeviceHandle device, int compare) {
    return tap_clock(device, 0, 0, 0, 0, compare, 1);
  }

  // Writes everything buffered and, in compare mode, reads back and compares
  // every block not yet compared, without a cycle of its own: a point at
  // which every cycle so far has reached the chip (and been checked).
  int tap_sync(DeviceHandle device, int compare) {
    if (broken_) return 0;
    const bool waiting =
        compare == 1 && (!read_behind_.drained() || read_behind_.filling().clocks > 0);
    if (out_len_ == 0 && !waiting) return 1;
    return flush(device, compare, 1);
  }

  // Cycles appended since the stream began.
  std::uint64_t cycles() const {
    return written_cycles_ + static_cast<std::uint64_t>(out_len_ / 2);
  }

  void set_listener(ReadBackListener* listener) { listener_ = listener; }

  // The cycles from here on with the tables of `wiring`: a reset line's
  // level changed. The stream must have been synced.
  void rewire(const BitBangWiring& wiring) { wiring_ = wiring; }
  const BitBangWiring& wiring() const { return wiring_; }

  // Compared cycles whose TDO differed, over the whole run. Final only after
  // the drain, since a block is compared up to two blocks after it was filled.
  std::int64_t mismatch_count() const { return mismatch_count_; }

  // Read-only views of the stream's state, for tests and diagnostics.
  int out_len() const { return out_len_; }
  const std::uint8_t* out_buf() const {
    return reinterpret_cast<const std::uint8_t*>(out_pairs_.data());
  }
  int cur_bank() const { return read_behind_.cur_bank(); }
  int drained() const { return read_behind_.drained(); }
  const ExpectationBank& bank(int index) const { return read_behind_.bank(index); }

 private:
  int flush(DeviceHandle device, int compare, int force);
  // Reads back and compares the block `bank` stands for.
  int read_back(DeviceHandle device, ExpectationBank& bank);

  std::uint8_t* out_buf_bytes() { return reinterpret_cast<std::uint8_t*>(out_pairs_.data()); }

  Device& device_;
  BitBangWiring wiring_;
  // out_buf: the byte pairs of the cycles not yet written.
  std::array<std::uint16_t, block_cycles> out_pairs_{};
  std::int32_t out_len_ = 0;
  ReadBehind<ExpectationBank> read_behind_;
  std::array<std::uint8_t, block_bytes> in_buf_{};
  // The TDO bits of the block read back last, for the listener.
  std::array<std::uint8_t, block_cycles> tdo_bits_{};
  std::int64_t mismatch_count_ = 0;
  std::uint64_t written_cycles_ = 0;
  ReadBackListener* listener_ = nullptr;
  // Set when a flush failed: the buffer or a bank may then be full, and no
  // later cycle may be appended to it. The run ends at the first failure.
  bool broken_ = false;
};

}  // namespace tapwright
