#pragma once
// The rhythm of reading back in compare mode, the same for every encoding:
// a block of clocks is read back only once the block after it has been
// written, so that a read never asks for bytes the chip has not been sent
// and the chip always has the next block to clock while the host reads;
// the drain reads back the last two. Each bank holds what one written
// block is to be compared with.
#include <array>
#include <cstdint>

#include "link/read_back.hpp"

namespace tapwright {

// Compared bits among `n` whose TDO (tdo_of(j), 0 or 1) differs from what
// was expected of them.
template <typename TdoOf>
std::int32_t count_differing(const Expectation* expected, std::int32_t n, TdoOf tdo_of) {
  std::int32_t differing = 0;
  for (std::int32_t j = 0; j < n; ++j) {
    const auto e = static_cast<unsigned>(expected[j]);
    differing += static_cast<std::int32_t>((e >> 1) & (tdo_of(j) ^ e) & 1u);
  }
  return differing;
}

// `Bank` has clear(), which empties it once it was read back.
template <typename Bank>
class ReadBehind {
 public:
  // The bank of the block being filled.
  Bank& filling() { return banks_[cur_]; }
  const Bank& bank(int index) const { return banks_[index & 1]; }
  int cur_bank() const { return cur_; }
  // 1 when no written block waits to be read back.
  int drained() const { return drained_; }

  // After a block was written. `read_back(Bank&)` reads back and compares
  // the block a bank stands for: 1, or 0 when the device fell short, which
  // leaves the bank as it was. `drain`: read back everything written.
  template <typename ReadBack>
  int after_write(bool drain, ReadBack&& read_back) {
    if (!drain) {
      if (drained_) {
        // The first block of a series waits for the next.
        drained_ = 0;
        cur_ ^= 1;
        return 1;
      }
      return pass(read_back);
    }
    // First the block written before this one (an empty bank when none
    // waits, which only toggles), then the block just written.
    if (!pass(read_back) || !pass(read_back)) return 0;
    drained_ = 1;
    return 1;
  }

 private:
  template <typename ReadBack>
  int pass(ReadBack& read_back) {
    Bank& waiting = banks_[cur_ ^ 1];
    if (!read_back(waiting)) return 0;
    waiting.clear();
    cur_ ^= 1;
    return 1;
  }

  std::array<Bank, 2> banks_{};
  int cur_ = 0;
  int drained_ = 1;
};

}  // namespace tapwright
