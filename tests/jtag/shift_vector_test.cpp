// Vectors shifted into an empty stream in both modes: the TDI and TMS of
// every clock and, in compare mode, what each clock expects of TDO.
#include "jtag/shift_vector.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;

// Bits, TDI, TDO, MASK, and whether TMS is 1 on the last clock (a whole
// vector, not a part of one).
using Shift = std::tuple<std::int64_t, std::string, std::string, std::string, int>;

// Shifts a vector into an empty stream: the result, and per clock its TDI,
// its TMS and (in compare mode) the TDO it expects, '-' where not compared.
std::string shift(const Shift& vector, int compare) {
  const auto& [bits, tdi, tdo, mask, exit_on_last] = vector;
  // Each value is the tail of a text of ones, so that reading before the
  // start of a string would shift them.
  const std::string text = "FFFF" + tdi + "FFFF" + tdo + "FFFF" + mask;
  const auto tail = [&text](std::size_t at, const std::string& value) {
    return std::string_view(text).substr(at + 4, value.size());
  };
  const std::string_view in = tail(0, tdi), out = tail(tdi.size() + 4, tdo),
                         care = tail(tdi.size() + tdo.size() + 8, mask);
  ScriptedDevice device;
  ClockStream stream(device);
  const int result =
      exit_on_last ? svf_shift_vector(stream, "zz(not hex)", scripted_handle(),
                                      static_cast<std::int32_t>(bits), in, out, care, compare)
                   : tap_shift_digits(stream, scripted_handle(), bits, in, out, care, compare, 0);
  std::string tdi_bits, tms, expected;
  for (int i = 0; i < stream.out_len(); i += 2) {
    tdi_bits += (stream.out_buf()[i] & pin_tdi) ? '1' : '0';
    tms += (stream.out_buf()[i] & pin_tms) ? '1' : '0';
  }
  const ExpectationBank& bank = stream.bank(stream.cur_bank());
  for (int j = 0; j < bank.clocks; ++j) {
    const std::uint8_t e = expectation_byte(bank.entries[j]);
    expected += (e & expect_care) ? static_cast<char>('0' + (e & 1)) : '-';
  }
  return std::to_string(result) + " " + tdi_bits + " " + tms + " " + expected;
}

TEST(ShiftVector, EveryClockOfAVector) {
  // A vector, the TDI of its clocks, the TDO they expect.
  const std::tuple<Shift, std::string, std::string> shifts[] = {
      // least significant bit first
      {{10, "1A3", "000", "000", 1}, "1100010110", "----------"},
      {{8, "fe", "a5", "3c", 1}, "01111111", "--1001--"},
      // missing high digits of a short string read as 0
      {{12, "F", "9", "fff", 1}, "111100000000", "100100000000"},
      {{12, "abc", "1", "fff", 1}, "001111010101", "100000000000"},
      {{12, "fff", "fff", "3", 1}, "111111111111", "11----------"},
      // except an empty MASK, which compares every bit
      {{9, "1ff", "0a5", "", 1}, "111111111", "101001010"},
      {{6, "FF", "0", "", 1}, "111111", "000000"},
      // digits beyond the length are not shifted
      {{4, "ABC", "F", "F", 1}, "0011", "1111"},
      // either case; any other character gives the low bits of its code minus 87
      {{16, "aBcD", "EfAb", "ffff", 1}, "1011001111010101", "1101010111110111"},
      {{4, "z", " ", "f", 1}, "1100", "1001"},
      {{0, "F", "F", "F", 1}, "", ""},
      {{INT32_MIN, "F", "F", "F", 1}, "", ""},
      // a part of a vector leaves the controller in the shift state
      {{5, "1f", "0", "1f", 0}, "11111", "00000"},
  };
  for (const auto& [vector, tdi_bits, expected] : shifts) {
    std::string tms(tdi_bits.size(), '0');
    if (!tms.empty() && std::get<4>(vector)) tms.back() = '1';
    for (const int compare : {0, 1}) {
      EXPECT_EQ(shift(vector, compare),
                "1 " + tdi_bits + " " + tms + " " + (compare ? expected : ""))
          << std::get<1>(vector) << ", compare " << compare;
    }
  }
}

}  // namespace
}  // namespace tapwright
