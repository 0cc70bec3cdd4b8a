#include "svf_run_harness.hpp"

#include <gtest/gtest.h>

#include "jtag/shift_vector.hpp"

namespace tapwright::testing {

SvfInput::SvfInput(std::string_view text) : file_(std::tmpfile()) {
  if (!file_) {
    ADD_FAILURE() << "tmpfile failed";
    return;
  }
  std::fwrite(text.data(), 1, text.size(), file_);
  std::rewind(file_);
}

SvfInput::~SvfInput() {
  if (file_) std::fclose(file_);
}

Cycles decode_cycles(const std::uint8_t* bytes, std::size_t count) {
  Cycles cycles;
  EXPECT_EQ(count % 2, 0u) << "odd number of bit-bang bytes";
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    const std::uint8_t low = bytes[i];
    const std::uint8_t high = bytes[i + 1];
    EXPECT_TRUE((low & ~0x03) == 0 && high == (low | pin_tck))
        << "malformed pair at cycle " << i / 2 << ": " << int{low} << ", " << int{high};
    cycles.tms.push_back((low & pin_tms) ? '1' : '0');
    cycles.tdi.push_back((low & pin_tdi) ? '1' : '0');
  }
  return cycles;
}

std::string shifted_bits(std::string_view hex, std::size_t bits) {
  std::string out;
  for (std::size_t i = 0; i < bits; ++i) {
    const std::size_t k = i / 4;
    const unsigned digit = k < hex.size() ? hex_digit_value(hex[hex.size() - 1 - k]) : 0;
    out.push_back(((digit >> (i % 4)) & 1) ? '1' : '0');
  }
  return out;
}

int InterpreterRun::play(std::string_view text, int verbose, int compare) {
  SvfInput input(text);
  SvfTokenizer tokenizer(input.file());
  return svf_run(tokenizer, stream, scripted_handle(), verbose, state, compare, masks, echo.file());
}

Cycles InterpreterRun::cycles() const {
  std::vector<std::uint8_t> bytes = device.written;
  bytes.insert(bytes.end(), stream.out_buf(), stream.out_buf() + stream.out_len());
  return decode_cycles(bytes.data(), bytes.size());
}

std::int64_t InterpreterRun::drain_mismatches() {
  EXPECT_EQ(stream.tap_flush(scripted_handle(), 1), 1);
  return stream.mismatch_count();
}

void reply_tdo_loopback(ScriptedDevice& device) {
  device.reply = [](std::uint8_t b) {
    return static_cast<std::uint8_t>((b & pin_tdi) ? (b | pin_tdo) : b);
  };
}

void reply_tdo_high(ScriptedDevice& device) {
  device.reply = [](std::uint8_t b) { return static_cast<std::uint8_t>(b | pin_tdo); };
}

}  // namespace tapwright::testing
