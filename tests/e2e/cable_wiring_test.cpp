// Named cables and pin maps as a user chooses them: every wiring clocks the
// simulated chain alike, a mapped wiring puts each signal on its pin and
// nothing else, TRST reaches the cable's pin in order with the clocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <utility>
#include <vector>

#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

const std::string play = TAPWRIGHT_PLAY_PATH;

// Lines that say how a cable clocks or how long a run took, which differ by cable.
std::string without_cable_lines(const std::string& text) {
  static const std::regex cable_line(R"(.*(: cable |FREQUENCY| estimated \(|TRST).*\n)");
  return std::regex_replace(text, cable_line, "");
}

// The options choosing each named cable, and whether it bit-bangs.
std::vector<std::pair<std::vector<std::string>, bool>> named_cables() {
  std::istringstream listing(run_program(play, {"--list-cables"}).out);
  std::vector<std::pair<std::vector<std::string>, bool>> cables;
  std::string line, listed;
  std::getline(listing, line);  // the heading
  while (std::getline(listing, line)) {
    listed += std::regex_replace(line, std::regex(" +"), " ") + "\n";
    cables.push_back({{"--cable", line.substr(0, line.find(' '))},
                      line.find(" bit-bang ") != std::string::npos});
  }
  // Three rows as the cables are wired: bit-bang pins, and MPSSE bytes with
  // reset lines, their polarity and buffer enables.
  for (const char* row :
       {"ft232r FT232R bit-bang 0403:6001 TCK=TXD,TMS=CTS,TDI=RXD,TDO=RTS,TRST=DTR,SRST=DCD TRST "
        "DTR (low), SRST DCD (low) 1 MHz\n",
        "bus-blaster FT2232H A MPSSE 0403:6010 low 0x08/0x1b, high 0x0c/0x0f TRST AC0 (low) "
        "enabled by AC2 low, SRST AC1 (low) enabled by AC3 low, AD4 buffer enable (low) 30 MHz\n",
        "olimex-arm-usb-ocd-h FT2232H A MPSSE 15ba:002b low 0x08/0x1b, high 0x09/0x0b TRST AC0 "
        "(low), SRST AC1 (high), AD4 buffer enable (low), LED AC3 30 MHz\n"}) {
    EXPECT_NE(listed.find(row), std::string::npos) << row;
  }
  return cables;
}

// Each named cable and a wiring given with --pins play every example as the
// default wiring does: the same (TMS, TDI) at every rising TCK, the same
// echo and exit status, with -c; a bit-bang wiring the same waveform.
TEST(CableWiring, EveryNamedCableAndAPinMapClockTheChainAlike) {
  const std::string dir = scratch_dir("wiring");
  auto cables = named_cables();
  cables.push_back({{"--pins", "TCK=7,TMS=DSR,TDI=2,TDO=0"}, true});
  ASSERT_GE(cables.size(), 19u);
  for (const auto& entry : std::filesystem::directory_iterator(TAPWRIGHT_EXAMPLES_DIR)) {
    const std::string file = entry.path().string();
    const std::vector<std::string> common = {"--sim", "-c",        "--keep-going",
                                             "-v",    "--no-wait", "--capture-clocks"};
    std::vector<std::string> args = common;
    args.insert(args.end(), {dir + "/default", "--vcd", dir + "/default.vcd", file});
    const ProgramRun expected = run_program(play, args);
    const std::string expected_clocks = read_file(dir + "/default");
    ASSERT_GT(expected_clocks.size(), 20u);
    for (const auto& [cable, bit_bang] : cables) {
      SCOPED_TRACE(file + " " + cable[1]);
      args = cable;
      args.insert(args.end(), common.begin(), common.end());
      args.insert(args.end(), {dir + "/clocks", "--vcd", dir + "/cable.vcd", file});
      const ProgramRun run = run_program(play, args);
      EXPECT_EQ(run.status, expected.status) << run.err;
      EXPECT_EQ(run.err, expected.err);
      EXPECT_EQ(without_cable_lines(run.out), without_cable_lines(expected.out));
      EXPECT_TRUE(read_file(dir + "/clocks") == expected_clocks)
          << "the chain was clocked otherwise";
      if (bit_bang) {
        EXPECT_TRUE(read_file(dir + "/cable.vcd") == read_file(dir + "/default.vcd"));
      }
    }
  }
}

// The byte stream of a mapped wiring is the default one with each JTAG
// signal moved to its pin, TRST held released (high) and no other pin
// driven; TRST ON pulls its pin low from its place in the stream on.
TEST(CableWiring, APinMapMovesEachSignalToItsPinAndTrstDrivesItsPin) {
  const std::string dir = scratch_dir("pins");
  const std::string svf = dir + "/t.svf";
  write_file(svf, "SIR 8 TDI (a5);\nSDR 32 TDI (12345678);\nTRST ON;\nRUNTEST 3 TCK;\n");
  const auto capture = [&](std::vector<std::string> args, const std::string& out) {
    args.insert(args.end(), {"--sim", "--capture-out", out, svf});
    const ProgramRun run = run_program(play, args);
    EXPECT_EQ(run.status, 0) << run.err;
    return read_file(out);
  };
  const std::string plain = capture({}, dir + "/plain.bin");
  const std::string mapped =
      capture({"--pins", "TDI=DCD,TMS=0,TCK=RI,TDO=1,TRST=DTR"}, dir + "/mapped.bin");
  ASSERT_EQ(mapped.size(), plain.size() + 1) << "TRST ON puts one byte of its own";
  // The default stream: TDI bit 0, TMS bit 1, TCK bit 2.
  const std::size_t trst_at = plain.size() - 2 * (3 + 1 + 3 + 1);
  for (std::size_t i = 0, j = 0; i < plain.size(); ++i, ++j) {
    const unsigned b = static_cast<unsigned char>(plain[i]);
    const unsigned trst = i < trst_at ? 0x10 : 0;
    if (i == trst_at) {
      EXPECT_EQ(static_cast<unsigned char>(mapped[j++]), 0x00u) << "TRST asserted, TCK low";
    }
    const unsigned expected = (b & 1) << 6 | (b >> 1 & 1) | (b >> 2 & 1) << 7 | trst;
    ASSERT_EQ(static_cast<unsigned char>(mapped[j]), expected) << "byte " << j;
  }
}

// An MPSSE cable's TRST pin is set by the GPIO command of its byte, in the
// stream between the clocks: ON drives it low and enables its buffer, OFF
// drives it high, Z disables the buffer.
TEST(CableWiring, TrstOnAnMpsseCableSetsItsPinInTheCommandStream) {
  const std::string dir = scratch_dir("trst");
  write_file(dir + "/t.svf", "TRST ON;\nTRST OFF;\nRUNTEST 9 TCK;\nTRST Z;\nTRST ABSENT;\n");
  const ProgramRun run = run_program(
      play, {"--sim", "--cable", "bus-blaster", "--capture-out", dir + "/out.bin", dir + "/t.svf"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string out = read_file(dir + "/out.bin");
  // Bring-up's high byte (0x0c/0x0f), then ON, OFF and Z.
  const std::string sets[] = {"\x82\x0c\x0f", "\x82\x08\x0f", "\x82\x09\x0f", "\x82\x0d\x0f"};
  std::size_t at = 0;
  for (const std::string& set : sets) {
    at = out.find(set, at);
    ASSERT_NE(at, std::string::npos) << "no high-byte set " << int(set[1]);
  }
  // OFF comes before the RUNTEST's clocks, Z after them.
  const std::size_t off = out.find(sets[2]), z = out.find(sets[3]);
  EXPECT_NE(out.substr(off, z - off).find('\x8e'), std::string::npos);
}

// Rates on a bit-bang cable: --tck-hz and FREQUENCY set the nearest rate
// not above, -v says so, and the estimate counts the clocks at it.
TEST(CableWiring, BitBangRatesAndTheEstimate) {
  const std::string dir = scratch_dir("rates");
  write_file(dir + "/r.svf", "RUNTEST 50000 TCK;\nFREQUENCY 40E3 HZ;\nRUNTEST 7500 TCK;\n");
  const ProgramRun run = run_program(play, {"--sim", "--no-wait", "-v", "--cable", "ft232r",
                                            "--tck-hz", "600kHz", dir + "/r.svf"});
  ASSERT_EQ(run.status, 0) << run.err;
  // 1.5 MHz / 3 = 500 kHz; 1.5 MHz / 38 = 39.47 kHz: 0.1 s + 0.19 s and the reset's clocks.
  EXPECT_NE(run.out.find("TCK=TXD,TMS=CTS,TDI=RXD,TDO=RTS,TRST=DTR,SRST=DCD, TCK 500 kHz\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("FREQUENCY 40000 HZ: TCK 39.473 kHz\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("r.svf: 290 ms estimated"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tapwright::testing
