// The player's own JTAG layer (clock stream, TAP walks, shifter) against the
// simulated cable and chain: what the devices shift out, judged by the
// stream's TDO comparison; the states they go through; and what the cable
// records of a run, against what crossed it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "jtag/ieee_tap_graph.hpp"
#include "jtag/shift_vector.hpp"
#include "jtag/tap_controller.hpp"
#include "sim/sim_device.hpp"

namespace tapwright::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The player's bring-up of a chip on a simulated cable, then its scans,
// each ending in Run-Test/Idle.
struct SimRun {
  SimRun(const SimOptions& options, int compare_mode) : compare(compare_mode) {
    std::string error;
    EXPECT_TRUE(device.configure(options, error) && !device.open(0, &handle) &&
                !device.set_bit_mode(handle, direction_mask,
                                     compare ? mode_sync_bitbang : mode_async_bitbang) &&
                tap_reset(stream, handle, state, compare))
        << error;
  }
  int go(TapState target) { return tap_goto(stream, handle, state, target, compare); }
  int scan(bool ir, std::int32_t bits, const std::string& tdi, const std::string& tdo,
           const std::string& mask) {
    const int shifted = go(ir ? TapState::shift_ir : TapState::shift_dr) &&
                        svf_shift_vector(stream, "", handle, bits, tdi, tdo, mask, compare);
    state = ir ? TapState::exit1_ir : TapState::exit1_dr;
    return shifted && go(TapState::run_test_idle);
  }
  // The drain; the run's mismatch count, or -1 when the drain failed.
  std::int64_t finish() { return stream.tap_flush(handle, compare) ? stream.mismatch_count() : -1; }

  SimDevice device;
  ClockStream stream{device};
  int compare;
  DeviceHandle handle = nullptr;
  TapState state = TapState::test_logic_reset;
};

// Scans after the reset, each "IR bits tdi tdo mask", "DR ..." or "RESET"
// (a walk to Test-Logic-Reset), and the mismatches they count.
TEST(ChainScan, WhatTheDevicesShiftOut) {
  const std::string two = "8:0x59604093,6:0x0362d093:0x09", wide = "1d3c5e7f90a2b4c6d8";
  const std::tuple<std::string, std::string, int> scripts[] = {
      // IDCODE is selected after the reset; the device nearest TDO shifts out first.
      {"8:0x59604093", "DR 32 0 59604093 ffffffff", 0},
      {"8:0x59604093", "DR 32 0 59604097 ffffffff", 1},
      {"8:0x59604093", "IR 8 01 0 0 DR 40 ab ab59604093 ffffffffff", 0},  // then what went in
      {two, "DR 64 0 596040930362d093 ffffffffffffffff", 0},
      {two, "DR 64 0 0362d09359604093 ffffffffffffffff", 14},
      {"none", "DR 32 0 ffffffff ffffffff", 0},  // TDO pulled high
      // Instruction registers capture ...01.
      {two, "IR 14 3fff 41 3fff", 0},
      // Each device in BYPASS delays the data by a bit, led by its captured 0.
      {"8:0x59604093", "IR 8 ff 0 0 DR 33 c5a3f00d 18b47e01a 1ffffffff", 0},
      {two, "IR 14 3fff 0 0 DR 34 c5a3f00d 3168fc034 3ffffffff", 0},
      {"4:0x1,5:0x3,6:0x5", "IR 15 7fff 0 0 DR 35 c5a3f00d 62d1f8068 7ffffffff", 0},
      // The IDCODE opcode selects IDCODE again, and so does a reset.
      {"6:0x0362d093:0x09", "IR 6 3f 0 0 DR 8 ff fe ff IR 6 09 0 0 DR 32 0 0362d093 ffffffff", 0},
      {"6:0x0362d093:0x09", "IR 6 3f 0 0 RESET DR 32 0 0362d093 ffffffff", 0},
      // A scratch register reads as zeros until written, then as what was
      // last shifted in, kept while another opcode is used and through a reset.
      {"8:0x59604093", "IR 8 05 0 0 DR 40 123456789a 0 ffffffffff DR 40 0 123456789a ffffffffff",
       0},
      {"8:0x59604093",
       "IR 8 06 0 0 DR 72 " + wide + " 0 0 IR 8 05 0 0 DR 8 1 0 ff RESET IR 8 06 0 0 DR 72 0 " +
           wide + " " + std::string(18, 'f'),
       0},
  };
  for (const auto& [chain, steps, mismatches] : scripts) {
    SimOptions options;
    options.chain = chain;
    SimRun run(options, 1);
    std::istringstream words(steps);
    for (std::string kind, tdi, tdo, mask; words >> kind;) {
      std::int32_t bits = 0;
      const bool scanned = kind == "RESET" ? run.go(TapState::test_logic_reset)
                                           : (words >> bits >> tdi >> tdo >> mask) &&
                                                 run.scan(kind == "IR", bits, tdi, tdo, mask);
      ASSERT_TRUE(scanned) << chain << ": " << steps;
    }
    EXPECT_EQ(run.finish(), mismatches) << chain << ": " << steps;
  }
}

Bytes file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The waveform's levels at every time step, laid out as the cable returns
// them (TDI, TMS, TCK, TDO in bits 0 to 3), with the state code (the wires
// "state [0]" to "state [3]") in bits 4 to 7.
std::vector<unsigned> replay_vcd(const std::string& path) {
  std::map<std::string, int> bit_of;  // by identifier code
  std::vector<unsigned> steps;
  unsigned levels = 0;
  bool dumping = false;
  std::int64_t last_time = -1;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string word, type, size, code, name, index;
    words >> word >> type >> size >> code >> name >> index;
    if (word == "$var") {
      const auto wire = std::string("TDI TMS TCK TDO ").find(name + " ");
      bit_of[code] = name == "state" ? 4 + index[1] - '0' : static_cast<int>(wire / 4);
    } else if (word == "$dumpvars" || word == "$end") {
      dumping = word == "$dumpvars";
    } else if (word[0] == '#') {
      EXPECT_FALSE(dumping) << "$dumpvars is not closed";
      const std::int64_t time = std::stoll(word.substr(1));
      EXPECT_GT(time, last_time);
      last_time = time;
      steps.resize(static_cast<std::size_t>(time), levels);
    } else if (word[0] == '0' || word[0] == '1') {
      const unsigned bit = 1u << bit_of.at(word.substr(1));
      if (!dumping) {
        EXPECT_NE((levels & bit) != 0, word[0] == '1') << "a change that is none";
      }
      levels = word[0] == '1' ? levels | bit : levels & ~bit;
    }
  }
  return steps;
}

// The waveform shows at each time step what the chip returned for the byte
// written then, and the first device's state by the standard's graph: for
// walks through every state and IDCODE scans long enough for several blocks.
TEST(Observation, TheWaveformShowsWhatCrossedTheCable) {
  for (const int compare : {1, 0}) {
    const std::string dir = ::testing::TempDir() + "tapwright_observation_";
    SimOptions options;
    options.capture_out = dir + "out.bin";
    options.capture_in = dir + "in.bin";
    options.vcd = dir + "w.vcd";
    SimRun run(options, compare);
    for (int i = 1; i <= 16; ++i) ASSERT_EQ(run.go(TapState(7 * i % 16)), 1);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(run.scan(false, 32, "0", "59604093", "ffffffff"), 1);
    ASSERT_EQ(run.finish(), 0);
    run.device.finish();
    EXPECT_EQ(run.device.output_error(), "");
    const Bytes written = file_bytes(options.capture_out),
                returned = file_bytes(options.capture_in);
    ASSERT_EQ(returned.size(), compare ? written.size() : 0u);
    const std::vector<unsigned> steps = replay_vcd(options.vcd);
    // Time 0, a step per byte, and a last time stamp that closes the last.
    ASSERT_EQ(steps.size(), written.size() + 1);
    TapState state = TapState::test_logic_reset;
    for (std::size_t t = 0; t < written.size(); ++t) {
      ASSERT_EQ(steps[t] & 0x0F, compare ? returned[t] & 0x0Fu : steps[t] & 0x0F) << t;
      ASSERT_EQ(steps[t + 1] & 0x07, written[t] & 0x07u) << t;
      ASSERT_EQ(steps[t] >> 4, static_cast<unsigned>(tap_code(state))) << t;
      if (!(steps[t] & pin_tck) && (written[t] & pin_tck)) {
        state = testing::ieee_next(state, (written[t] & pin_tms) ? 1 : 0);
      }
    }
  }
}

}  // namespace
}  // namespace tapwright::sim
