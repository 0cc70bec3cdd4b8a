#include "link/bit_bang_shift.hpp"

#include <algorithm>

namespace tapwright {

namespace {

inline unsigned value_of(char c) {
  return hex_digit_values[static_cast<unsigned char>(c)];
}

// Digit `k` counted from the end of `text`, or `missing` before its start.
inline unsigned digit_from_end(std::string_view text, std::int64_t k, unsigned missing) {
  const auto size = static_cast<std::int64_t>(text.size());
  return k < size ? value_of(text[static_cast<std::size_t>(size - 1 - k)]) : missing;
}

}  // namespace

int tap_shift_digits(ClockStream& stream, DeviceHandle device, std::int64_t bits,
                     std::string_view tdi, std::string_view tdo, std::string_view mask, int compare,
                     int exit_on_last) {
  if (bits <= 0) return 1;
  const std::int64_t digits = (bits + 3) / 4;
  const std::int64_t last_bit = bits - 1;

  // The digits that every string read here holds (all but the last digit of
  // the vector, which carries TMS 1): read them from the strings' ends
  // without asking each time whether a string has run out.
  std::int64_t plain = std::min<std::int64_t>(digits - 1, static_cast<std::int64_t>(tdi.size()));
  if (compare == 1) {
    plain = std::min<std::int64_t>(plain, std::min(static_cast<std::int64_t>(tdo.size()),
                                                   static_cast<std::int64_t>(mask.size())));
  }
  const char* tdi_at = tdi.data() + tdi.size();
  const char* tdo_at = tdo.data() + tdo.size();
  const char* mask_at = mask.data() + mask.size();
  if (compare == 1) {
    for (std::int64_t k = 0; k < plain; ++k) {
      if (!stream.tap_clock_digit(device, value_of(*--tdi_at), value_of(*--tdo_at),
                                  value_of(*--mask_at), 4, 0, compare)) {
        return 0;
      }
    }
  } else {
    // Without compare mode the stream records neither TDO nor care.
    for (std::int64_t k = 0; k < plain; ++k) {
      if (!stream.tap_clock_digit(device, value_of(*--tdi_at), 0, 0, 4, 0, compare)) return 0;
    }
  }

  // The rest: digits beyond a short string, and the last digit.
  const unsigned mask_missing = mask.empty() ? 0xFu : 0u;
  for (std::int64_t k = plain; k < digits; ++k) {
    const unsigned tdi_digit = digit_from_end(tdi, k, 0);
    unsigned tdo_digit = 0;
    unsigned care_digit = 0;
    if (compare == 1) {
      tdo_digit = digit_from_end(tdo, k, 0);
      care_digit = digit_from_end(mask, k, mask_missing);
    }
    const std::int64_t first_bit = 4 * k;
    const int count = static_cast<int>(std::min<std::int64_t>(4, bits - first_bit));
    const int tms_on_last = (exit_on_last == 1 && first_bit + count - 1 == last_bit) ? 1 : 0;
    if (!stream.tap_clock_digit(device, tdi_digit, tdo_digit, care_digit, count, tms_on_last,
                                compare)) {
      return 0;
    }
  }
  return 1;
}

}  // namespace tapwright
