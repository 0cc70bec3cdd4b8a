#pragma once
// A run of the player's own JTAG layer (clock stream, TAP walk, shifter)
// against a simulated cable, brought up as the player brings up a chip.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jtag/shift_vector.hpp"
#include "jtag/tap_controller.hpp"
#include "link/clock_stream.hpp"
#include "sim/sim_device.hpp"

namespace tapwright::sim::testing {

// `value` as an SVF hex string.
inline std::string hex_of(std::uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

// Options with the chain and fault given, nothing recorded.
inline SimOptions chain_options(const std::string& chain, const std::string& fault = "") {
  SimOptions options;
  options.chain = chain;
  options.fault = fault;
  return options;
}

// A file path unique to the running test.
inline std::string temp_path(const std::string& suffix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return (std::filesystem::path(::testing::TempDir()) / ("tapwright_" + name + suffix)).string();
}

inline std::vector<std::uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SimRun {
 public:
  // Configures `device`, opens it, sets the bit mode for `compare` and
  // resets the TAP. `stream_device` is what the clock stream talks to
  // (`device` itself, or something wrapping it).
  SimRun(SimDevice& device, Device& stream_device, const SimOptions& options, int compare)
      : stream_(stream_device), compare_(compare) {
    std::string error;
    ok_ = device.configure(options, error) == 1;
    EXPECT_EQ(error, "");
    ok_ = ok_ && device.open(0, &handle_) == device_ok &&
          device.set_bit_mode(handle_, direction_mask,
                              compare ? mode_sync_bitbang : mode_async_bitbang) == device_ok &&
          tap_reset(stream_, handle_, state_, compare_) == 1;
  }
  bool ok() const { return ok_; }

  // One SIR or SDR as the interpreter plays it, ending in Run-Test/Idle.
  int sir(std::int32_t bits, const std::string& tdi, const std::string& tdo = "",
          const std::string& mask = "0") {
    return scan(TapState::shift_ir, TapState::exit1_ir, bits, tdi, tdo, mask);
  }
  int sdr(std::int32_t bits, const std::string& tdi, const std::string& tdo = "",
          const std::string& mask = "0") {
    return scan(TapState::shift_dr, TapState::exit1_dr, bits, tdi, tdo, mask);
  }
  int go(TapState target) { return tap_goto(stream_, handle_, state_, target, compare_); }
  // The drain; the run's mismatch count, or -1 when the drain failed.
  std::int64_t finish() {
    if (stream_.tap_flush(handle_, compare_) != 1) return -1;
    return stream_.mismatch_count();
  }

  ClockStream& stream() { return stream_; }
  DeviceHandle handle() const { return handle_; }
  TapState state() const { return state_; }

 private:
  int scan(TapState shift, TapState exit, std::int32_t bits, const std::string& tdi,
           const std::string& tdo, const std::string& mask) {
    if (!go(shift)) return 0;
    if (!svf_shift_vector(stream_, "", handle_, bits, tdi, tdo, mask, compare_)) return 0;
    state_ = exit;
    return go(TapState::run_test_idle);
  }

  ClockStream stream_;
  int compare_;
  DeviceHandle handle_ = nullptr;
  TapState state_ = TapState::test_logic_reset;
  bool ok_ = false;
};

}  // namespace tapwright::sim::testing
