#pragma once
// Plays SVF text through svf_run over a scripted device and shows what came
// out: the result, the echo and the TCK cycles handed to the clock stream.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/tap_state.hpp"
#include "link/clock_stream.hpp"
#include "support/captured_stream.hpp"
#include "support/scripted_device.hpp"
#include "svf/svf_run.hpp"

namespace tapwright::testing {

// The text as a real stream, positioned at its start.
class SvfInput {
 public:
  explicit SvfInput(std::string_view text);
  ~SvfInput();
  SvfInput(const SvfInput&) = delete;
  SvfInput& operator=(const SvfInput&) = delete;
  std::FILE* file() const { return file_; }

 private:
  std::FILE* file_;
};

// TMS and TDI of each cycle, one character "0"/"1" per cycle, in order.
struct Cycles {
  std::string tms;
  std::string tdi;
};

// Splits bit-bang bytes into cycles; a byte pair that is not "TCK low, then
// the same levels with TCK high" fails the test.
Cycles decode_cycles(const std::uint8_t* bytes, std::size_t count);

// The bits of a hex value in the order they are shifted (last digit first,
// least significant bit first), `bits` of them.
std::string shifted_bits(std::string_view hex, std::size_t bits);

// One run of the interpreter, starting in Run-Test/Idle as after the reset.
struct InterpreterRun {
  ScriptedDevice device;
  ClockStream stream{device};
  TapState state = TapState::run_test_idle;
  SvfMasks masks;
  CapturedStream echo;

  int play(std::string_view text, int verbose = 1, int compare = 0);
  // Every cycle handed to the stream so far, written or still buffered.
  Cycles cycles() const;
  // Drains the stream (one more cycle) and returns the mismatch count.
  std::int64_t drain_mismatches();
};

// Makes the device answer each byte with TDO equal to that byte's TDI, or
// with TDO always high.
void reply_tdo_loopback(ScriptedDevice& device);
void reply_tdo_high(ScriptedDevice& device);

}  // namespace tapwright::testing
