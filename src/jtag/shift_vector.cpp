#include "jtag/shift_vector.hpp"

#include <algorithm>

namespace tapwright {

namespace {

// Digit `k` counted from the end of `text`, or `missing` before its start.
inline unsigned digit_from_end(std::string_view text, std::int64_t k, unsigned missing) {
  const auto size = static_cast<std::int64_t>(text.size());
  return k < size ? hex_digit_value(text[static_cast<std::size_t>(size - 1 - k)]) : missing;
}

}  // namespace

int svf_shift_vector(ClockStream& stream, std::string_view /*smask*/, DeviceHandle device,
                     std::int32_t bits, std::string_view tdi, std::string_view tdo,
                     std::string_view mask, int compare) {
  if (bits <= 0) return 1;
  const unsigned mask_missing = mask.empty() ? 0xFu : 0u;
  const std::int64_t last = bits - 1;
  for (std::int64_t i = 0; i < bits; i += 4) {
    const std::int64_t k = i / 4;
    const unsigned tdi_digit = digit_from_end(tdi, k, 0);
    unsigned tdo_digit = 0;
    unsigned care_digit = 0;
    if (compare == 1) {  // without compare mode the stream records neither
      tdo_digit = digit_from_end(tdo, k, 0);
      care_digit = digit_from_end(mask, k, mask_missing);
    }
    const int count = static_cast<int>(std::min<std::int64_t>(4, bits - i));
    for (int b = 0; b < count; ++b) {
      const int tms = (i + b == last) ? 1 : 0;
      if (!stream.tap_clock(device, tms, (tdi_digit >> b) & 1, (tdo_digit >> b) & 1,
                            (care_digit >> b) & 1, compare, 0)) {
        return 0;
      }
    }
  }
  return 1;
}

}  // namespace tapwright
