// The player's own JTAG layer (clock stream, TAP walks, shifter) against the
// simulated cable and chain: what the devices shift out, judged by the
// stream's TDO comparison; the states they go through; and what the cable
// records of a run, against what crossed it. Then the cable's MPSSE engine:
// command bytes against the bytes returned and the (TMS, TDI) levels at
// every rising edge, and against the same clocks through the bit-bang port.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <tuple>

#include "jtag/ieee_tap_graph.hpp"
#include "jtag/shift_vector.hpp"
#include "jtag/tap_controller.hpp"
#include "sim/sim_device.hpp"
#include "support/program_run.hpp"

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
    const std::string dir = testing::scratch_dir("observation") + "/";
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

// Blank-separated words, "TEXT*N" standing for TEXT N times.
std::string expand(const std::string& text) {
  std::istringstream words(text);
  std::string out;
  for (std::string word; words >> word;) {
    const std::size_t star = word.find('*');
    for (int i = star == std::string::npos ? 1 : std::stoi(word.substr(star + 1)); i > 0; --i)
      out += word.substr(0, star);
  }
  return out;
}

// Hex bytes, "|" between writes.
std::vector<Bytes> writes_of(const std::string& text) {
  std::vector<Bytes> writes(1);
  const std::string hex = expand(text);
  for (std::size_t i = 0; i < hex.size(); i += hex[i] == '|' ? 1 : 2) {
    if (hex[i] == '|') writes.emplace_back();
    if (hex[i] != '|') writes.back().push_back(std::stoi(hex.substr(i, 2), nullptr, 16) & 0xFF);
  }
  return writes;
}

// A cable of the chip in MPSSE mode, its waveform in `vcd`.
struct MpsseCable {
  MpsseCable(const std::string& chip, const std::string& chain, const std::string& vcd) {
    SimOptions options;
    options.chip = chip;
    options.chain = chain;
    options.vcd = vcd;
    std::string error;
    EXPECT_TRUE(device.configure(options, error) && !device.open(0, &handle)) << error;
    device.set_bit_mode(handle, 0, mode_mpsse);
  }
  Bytes play(const std::vector<Bytes>& writes) {
    std::uint32_t count = 0;
    for (const Bytes& w : writes) {
      device.write(handle, w.data(), static_cast<std::uint32_t>(w.size()), &count);
    }
    Bytes back(1 << 17);
    device.read(handle, back.data(), static_cast<std::uint32_t>(back.size()), &count);
    back.resize(count);
    return back;
  }
  SimDevice device;
  DeviceHandle handle = nullptr;
};

TEST(MpsseEngine, CommandsAsTheyArriveAndAtAnyClockBudget) {
  // The chip, the writes, the bytes returned, 2·TMS + TDI at each rising
  // edge, the clocks made, the TCK rate after.
  const std::tuple<std::string, std::string, std::string, std::string, int, double> rows[] = {
      // To Shift-DR; IDCODE 0x59604093 read as 4 bits (the bit-mode rule),
      // 2 bytes and 3 bits by a TMS command, whose bit 7 is TDI; then clocks
      // with TMS and TDI held; 0x81 reads TMS and TDI high, TCK low, TDO high.
      {"ft2232h", "80 08 0b 4b | 03 02 3b 03 05 39 01 00 | ff | 00 6b 02 84 87 8e 01 8f 00 00 81",
       "30 09 04 c0 fe", "0200 1010 1*8 0*8 113 33 3*8", 37, 6e6},
      // A LEN of 65535; LEN 0 of each clocking command; a bad command.
      {"ft2232h", "80 08 0b 39 ff ff 00*65536 aa", "ff*65536 fa aa", "2*524288", 524288, 6e6},
      {"ft2232d", "80 08 0b 19 00 00 a5 1b 00 01 8e 00 8f 00 00 4b 00 00 | 86 01 00", "",
       "32322323 3 3 3*8 0", 19, 3e6},
      // The H chips' commands are bad commands on the FT2232D; 0x18 is on any.
      {"ft2232d", "8a 8b 8c 8d 96 97 18", "fa8a fa8b fa8c fa8d fa96 fa97 fa18", "", 0, 6e6},
      {"ft2232h", "8b 8a 8d 8c 97 96 18 86 04 00", "fa18", "", 0, 4e6},
      // GPIO; a pin not driven reads high; TCK raised by 0x80 is an edge.
      {"ft232h", "80 08 0b 81 82 5a f0 83 80 09 0b 80 08 0b 80 00 01 1b 01 00 81", "fc 5f fe",
       "2 33", 2, 6e6},
      // With TCK not driven the chain sees no clock; loopback reads TDI.
      {"ft4232h", "80 00 0a 84 39 01 00 a5 3c 85 39 00 00 00 80 00 00 84 3b 00 00", "a5 3c ff 80",
       "", 25, 6e6},
  };
  const std::string vcd = testing::scratch_dir("mpsse") + "/cable.vcd";
  for (const auto& [chip, text, back, edges, clocks, hz] : rows) {
    const std::vector<Bytes> writes = writes_of(text);
    const Bytes expected = writes_of(back)[0];
    // As the simulated cable plays them, with a waveform.
    MpsseCable cable(chip, "8:0x59604093", vcd);
    EXPECT_EQ(cable.play(writes), expected) << text;
    cable.device.finish();
    const std::vector<unsigned> steps = replay_vcd(vcd);
    std::string rising;
    for (std::size_t t = 1; t < steps.size(); ++t)
      if (steps[t] & ~steps[t - 1] & pin_tck) rising += static_cast<char>('0' + (steps[t] & 3));
    EXPECT_EQ(rising, expand(edges)) << text;

    // The engine alone, a byte at a time, at most 13 clocks and two
    // returned bytes waiting per run: the same bytes and end.
    SimChip chip_alone(Chain({{8, 0x59604093, 1}}), *find_chip_model(chip));
    chip_alone.set_bit_mode(0, mode_mpsse);
    Bytes got;
    std::uint64_t counted = 0;
    for (const Bytes& w : writes)
      for (const std::uint8_t byte : w) {
        chip_alone.mpsse().write(&byte, 1);
        MpsseRun run;
        do {
          const std::size_t room = chip_alone.returned_waiting() + 2;
          run = chip_alone.mpsse().run(13, room, nullptr);
          ASSERT_LE(run.clocks, 13u);
          ASSERT_LE(chip_alone.returned_waiting(), room);
          counted += run.clocks;
          std::uint8_t out[2];
          got.insert(got.end(), out, out + chip_alone.take_returned(out, 2));
        } while (run.stop != MpsseStop::needs_bytes);
      }
    EXPECT_EQ(got, expected) << text;
    EXPECT_EQ(counted, static_cast<std::uint64_t>(clocks)) << text;
    EXPECT_EQ(chip_alone.mpsse().tck_hz(), hz) << text;
    EXPECT_EQ(chip_alone.chain().first_state(), cable.device.chain().first_state()) << text;
  }
}

// The channels that take the MPSSE mode (+) and those that refuse it (-).
TEST(MpsseEngine, ChipsAndChannels) {
  std::string seen;
  for (const ChipModel& model : chip_models)
    for (int k = 0; k < model.channels; ++k)
      seen += SimChip(Chain(), model, k).set_bit_mode(0, mode_mpsse) ? '+' : '-';
  EXPECT_EQ(seen, "--+-++++--+");
}

// Random clocks, TMS 1 in one of twelve so that scans run long between
// walks through every state, on three devices: played through the bit-bang
// port, through MPSSE, and through the one then the other. The TDO bits
// read back are the same, and so are the waveforms of the first two.
TEST(MpsseEngine, ReturnsWhatTheBitBangPortReturns) {
  const int n = 3000;
  std::vector<int> tms(n), tdi(n);
  for (std::uint32_t i = 0, seed = 7; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    tms[i] = (seed >> 24) % 12 == 0;
    tdi[i] = (seed >> 16) & 1;
  }
  const std::string dir = testing::scratch_dir("mpsse") + "/";
  std::map<int, std::string> tdo_bits;
  for (const int switch_at : {n, 0, 1234}) {
    MpsseCable cable("ft4232h", "8:0x59604093,6:0x0362d093:0x09,4:0x1",
                     dir + std::to_string(switch_at) + ".vcd");
    Bytes pairs;
    for (int i = 0; i < switch_at; ++i)
      pairs.insert(pairs.end(), {std::uint8_t(tdi[i] | tms[i] << 1),
                                 std::uint8_t(tdi[i] | tms[i] << 1 | pin_tck)});
    cable.device.set_bit_mode(cable.handle, direction_mask, mode_sync_bitbang);
    const Bytes sampled = cable.play({pairs});
    std::string& bits = tdo_bits[switch_at];
    for (std::size_t i = 1; i < sampled.size(); i += 2) bits += (sampled[i] & pin_tdo) ? '1' : '0';
    // A TMS 1 and the TMS 0 after it by 0x6B, which leaves TMS at its last
    // level; other runs of TMS 0 by 0x3B (up to 7 bits) and 0x39 (8).
    Bytes commands = switch_at < n ? Bytes{0x80, 0x00, 0x0b} : Bytes{};
    std::vector<int> lengths;
    for (int i = switch_at; i < n; i += lengths.back()) {
      int run = 0, data = 0;
      const bool walk = tms[i] || (i > switch_at && tms[i - 1]);
      for (; !walk && i + run < n && run < 8 && !tms[i + run]; ++run) data |= tdi[i + run] << run;
      lengths.push_back(run == 0 ? 1 : run);
      if (run == 0)
        commands.insert(commands.end(), {0x6b, 0x00, std::uint8_t(tms[i] | tdi[i] << 7)});
      if (run == 8) commands.insert(commands.end(), {0x39, 0x00, 0x00, std::uint8_t(data)});
      if (run % 8)
        commands.insert(commands.end(), {0x3b, std::uint8_t(run - 1), std::uint8_t(data)});
    }
    cable.device.set_bit_mode(cable.handle, 0, mode_reset);
    cable.device.set_bit_mode(cable.handle, 0, mode_mpsse);
    const Bytes back = cable.play({commands});
    for (std::size_t k = 0; k < back.size(); ++k)
      for (int b = 8 - lengths[k]; b < 8; ++b) bits += (back[k] >> b) & 1 ? '1' : '0';
  }
  EXPECT_EQ(tdo_bits[n].size(), 3000u);
  EXPECT_EQ(tdo_bits[0], tdo_bits[n]);
  EXPECT_EQ(tdo_bits[1234], tdo_bits[n]);
  EXPECT_TRUE(file_bytes(dir + "0.vcd") == file_bytes(dir + std::to_string(n) + ".vcd"));
}

}  // namespace
}  // namespace tapwright::sim
