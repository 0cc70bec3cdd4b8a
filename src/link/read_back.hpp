#pragma once
// What comes back from the cable in compare mode: the expectation of each
// compared clock, and the listener that is told of the TDO bits as they are
// read back.
#include <array>
#include <bit>
#include <cstdint>

namespace tapwright {

inline constexpr int block_bytes = 4096;
inline constexpr int block_cycles = block_bytes / 2;

// Expectation byte of one cycle: bit 0 the expected TDO level, bit 1 care.
// A type of its own rather than a plain byte, so that the compiler need not
// assume that storing one may change the stream's counters: that keeps the
// per-cycle path in registers.
enum class Expectation : std::uint8_t { none = 0, care_low = 0x02, care_high = 0x03 };
inline constexpr std::uint8_t expect_care = 0x02;
constexpr std::uint8_t expectation_byte(Expectation e) {
  return static_cast<std::uint8_t>(e);
}

namespace read_back_detail {
// The expectation bytes of a digit's four cycles, by care << 4 | expected.
constexpr std::array<std::uint32_t, 256> make_digit_expectations() {
  std::array<std::uint32_t, 256> table{};
  for (unsigned index = 0; index < 256; ++index) {
    const unsigned expected = index & 0xFu;
    const unsigned care = index >> 4;
    std::uint32_t entries = 0;
    for (unsigned b = 0; b < 4; ++b) {
      const std::uint32_t entry = (care >> b) & 1u ? (expect_care | ((expected >> b) & 1u)) : 0u;
      if constexpr (std::endian::native == std::endian::little) {
        entries |= entry << (8 * b);
      } else {
        entries |= entry << (8 * (3 - b));
      }
    }
    table[index] = entries;
  }
  return table;
}
}  // namespace read_back_detail

// The expectations of a hex digit's four bits, bit 0 first, as four entries
// stored in one go: by care << 4 | expected.
inline constexpr std::array<std::uint32_t, 256> digit_expectations =
    read_back_detail::make_digit_expectations();

// The expectations of one bit-bang block, one entry per cycle.
struct ExpectationBank {
  std::array<Expectation, block_cycles> entries{};
  std::int32_t clocks = 0;
  std::uint64_t first_cycle = 0;  // the number in the run of its first cycle
  void clear() { clocks = 0; }
};

// Told of the TDO bits read back in compare mode, in the order clocked:
// the number in the run of the first clock of `cycles` consecutive clocks,
// their TDO levels (one byte each, 0 or 1), their expectations and how many
// of their compared bits differed.
class ReadBackListener {
 public:
  virtual ~ReadBackListener() = default;
  virtual void on_read_back(std::uint64_t first_cycle, const std::uint8_t* tdo,
                            const Expectation* expected, std::int32_t cycles,
                            std::int32_t differing) = 0;
};

}  // namespace tapwright
