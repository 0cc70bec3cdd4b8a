// The real libftdi1 over the emulated FTDI chip (libusb_shim.cpp). tapwright
// and tapwright-play built with their libftdi1 back end play the examples
// and real vendor files exactly as they play them on the simulated cable
// (standard output, standard error, exit status and the bytes on the pins),
// on a full-speed and a high-speed chip, near the rate the wire allows and
// without ever stalling the synchronous chip; and each fault of the cable
// ends the run with the message of its phase.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "emulated_chip.hpp"
#include "link/libftdi_device.hpp"
#include "link/system_ftdi_calls.hpp"
#include "report.hpp"
#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

struct ChipRun {
  ProgramRun run;
  std::string pins, trace;
  Report report;
};

// `command` over the emulated chip that `settings` describe; the bytes on
// the pins of its channel `channel` (":B" for B; A's by default).
ChipRun run_on_chip(std::vector<std::string> command, const std::string& settings,
                    const std::string& channel = "") {
  const std::string dir = scratch_dir("chip");
  command.insert(command.begin(), {"LD_LIBRARY_PATH=" TAPWRIGHT_USB_EMU_DIR,
                                   "TAPWRIGHT_USB_EMU=" + settings + " pins" + channel + "=" + dir +
                                       "/pins report=" + dir + "/report trace=" + dir + "/trace"});
  // A braced list is evaluated in order: the files are read after the run.
  ChipRun chip{run_program("/usr/bin/env", command), read_file(dir + "/pins"),
               read_file(dir + "/trace"), parse_report(read_file(dir + "/report"))};
  // -v names the real device played into; the simulated cable has no such line.
  const std::size_t line = chip.run.out.find(": on FTDI device ");
  if (line != std::string::npos) {
    const std::size_t start = chip.run.out.rfind('\n', line) + 1;
    chip.run.out.erase(start, chip.run.out.find('\n', line) + 1 - start);
  }
  return chip;
}

// The examples, and vendor files: one that plays as it stands and two
// lowered by tapwright-prep, each with a chain of one device with the
// instruction length of its first SIR.
std::vector<std::pair<std::string, std::string>> svf_files() {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : std::filesystem::directory_iterator(TAPWRIGHT_EXAMPLES_DIR)) {
    files.emplace_back(entry.path().string(), "8:0x59604093");
  }
  if (!std::filesystem::is_directory(TAPWRIGHT_CORPUS_DIR)) return files;
  const std::string dir = scratch_dir("lowered");
  for (const char* name : {"xc95144xl_warpse_impact_erase_program_verify.svf",
                           "epm240_gr8ram_quartus22.svf", "atf1504as_erase_atmisp72.svf"}) {
    std::string path = std::string(TAPWRIGHT_CORPUS_DIR "/") + name;
    if (path.find("xc95144xl") == std::string::npos) {
      const std::string lowered = dir + "/" + name;
      EXPECT_EQ(run_program(TAPWRIGHT_PREP_PATH, {"-o", lowered, path}).status, 0) << name;
      path = lowered;
    }
    const std::string text = read_file(path);
    const std::string ir_length = std::to_string(std::stoi(text.substr(text.find("\nSIR ") + 5)));
    files.emplace_back(path, ir_length + ":0x00000001");
  }
  return files;
}

TEST(EmulatedChip, EveryFilePlaysAsOnTheSimulatedCable) {
  const std::string expected_pins_path = scratch_dir("reference") + "/pins";
  for (const auto& [svf, chain] : svf_files()) {
    for (const bool compare : {false, true}) {
      for (const bool full_svf : {false, true}) {
        std::vector<std::string> args = {svf, "-v"};
        if (compare) args.push_back("-c");
        std::vector<std::string> simulated = {full_svf ? "--sim=" + chain : "--chain=" + chain,
                                              "--capture-out", expected_pins_path};
        simulated.insert(simulated.end(), args.begin(), args.end());
        const ProgramRun expected =
            run_program(full_svf ? TAPWRIGHT_PLAY_PATH : TAPWRIGHT_SIM_PATH, simulated);
        const std::string expected_pins = read_file(expected_pins_path);
        ASSERT_FALSE(expected_pins.empty());
        args.insert(args.begin(), full_svf ? TAPWRIGHT_PLAY_PATH : TAPWRIGHT_PLAYER_PATH);
        for (const usb::ChipModel& model : usb::chip_models) {
          SCOPED_TRACE(std::string(model.key) + " " + ::testing::PrintToString(args));
          const ChipRun chip =
              run_on_chip(args, std::string("chip=") + std::string(model.key) + " chain=" + chain);
          EXPECT_EQ(chip.run.status, expected.status);
          EXPECT_EQ(chip.run.err, expected.err);
          // A vendor file's echo is long: its size says enough when it differs.
          EXPECT_TRUE(chip.run.out == expected.out)
              << chip.run.out.size() << " bytes of output, " << expected.out.size() << " expected";
          EXPECT_TRUE(chip.pins == expected_pins)
              << chip.pins.size() << " bytes on the pins, " << expected_pins.size() << " expected";
          // No transfer ran into its time-out, so none stalled.
          EXPECT_EQ(chip.report.at("timeouts"), 0);
          EXPECT_EQ(chip.report.at("driver_bound"), 0);
          // Divisor 1: the port clocks 2 million bytes a second, 1 MHz TCK.
          EXPECT_EQ(chip.report.at("baud"), 2'000'000);
          // A long file goes near the wire's limit (bench/emulated_cable.py):
          // the bit-bang rate or what the bus carries, and with -c, both
          // FIFOs' worth per round trip of a write and a read, two frames.
          const double clocked = static_cast<double>(chip.report.at("clocked"));
          if (clocked < 1e6) continue;
          const double frame = static_cast<double>(usb::frame_of(model)) / 1e12;
          double limit = std::min(2e6, usb::packets_per_frame(model) * model.packet / frame);
          if (compare) {
            // What the back end keeps in flight: both FIFOs, no more than
            // the smallest chip of the bus's speed holds.
            const int window = std::min(model.tx_fifo + model.rx_fifo,
                                        model.high_speed() ? LibftdiDevice::high_speed_fifo_bytes
                                                           : LibftdiDevice::full_speed_fifo_bytes);
            limit = std::min(limit, window / (2 * frame));
          }
          EXPECT_GT(clocked / (static_cast<double>(chip.report.at("simulated_ns")) / 1e9),
                    0.8 * limit);
        }
      }
    }
  }
}

// The MPSSE cables over the emulated chips, through both channels of a
// two-channel chip: the commands, echo and verdict of tapwright-play --sim
// for the same cable; and on long scans near the TCK rate asked, at least
// 80 % of it, 60 % with -c.
TEST(EmulatedChip, MpsseCablesPlayAsOnTheSimulatedCable) {
  const std::string dir = scratch_dir("mpsse");
  // 64 scans of 16 kbit whose TDO is what an empty chain returns.
  std::string long_scans = "SIR 8 TDI (ff);\n";
  for (int i = 0; i < 64; ++i) {
    long_scans +=
        "SDR 16384 TDI (" + std::string(4096, '5') + ") TDO (" + std::string(4096, 'f') + ");\n";
  }
  write_file(dir + "/long.svf", long_scans);
  auto files = svf_files();
  files.emplace_back(dir + "/long.svf", "none");
  const struct {
    const char* cable;
    char channel;
    double hz;
  } cables[] = {{"ft2232h", 'B', 30e6}, {"ft2232d", 'A', 6e6}, {"ft232h", 'A', 30e6}};
  for (const auto& [svf, chain] : files) {
    for (const bool compare : {false, true}) {
      for (const auto& c : cables) {
        std::vector<std::string> args = {"--cable",   c.cable,
                                         "--channel", std::string(1, c.channel),
                                         "--tck-hz",  std::to_string(static_cast<long>(c.hz)),
                                         "-v",        svf};
        if (compare) args.push_back("-c");
        std::vector<std::string> simulated = args;
        simulated.insert(simulated.begin(), {"--sim=" + chain, "--capture-out", dir + "/commands"});
        const ProgramRun expected = run_program(TAPWRIGHT_PLAY_PATH, simulated);
        args.insert(args.begin(), TAPWRIGHT_PLAY_PATH);
        const std::string key = c.channel == 'A' ? "" : std::string(":") + c.channel;
        const std::string bus = std::string("chip=") + c.cable + " chain" + key + "=" + chain;
        SCOPED_TRACE(bus + " " + ::testing::PrintToString(args));
        const ChipRun chip = run_on_chip(args, bus, key);
        EXPECT_EQ(chip.run.status, expected.status);
        EXPECT_EQ(chip.run.err, expected.err);
        EXPECT_TRUE(chip.run.out == expected.out) << chip.run.out.size() << " bytes of output";
        EXPECT_TRUE(chip.pins == read_file(dir + "/commands")) << chip.pins.size() << " bytes";
        EXPECT_EQ(chip.report.at("timeouts"), 0);
        if (svf != dir + "/long.svf") continue;
        const double tck = static_cast<double>(chip.report.at("tck" + key));
        const double seconds = static_cast<double>(chip.report.at("simulated_ns")) / 1e9;
        EXPECT_GT(tck / seconds, (compare ? 0.6 : 0.8) * c.hz);
      }
    }
  }
}

// Detection and a file played to one device of two read the same chain
// through the emulated bit-bang and MPSSE cables as on the simulated one.
TEST(EmulatedChip, DetectsAndTargetsAsOnTheSimulatedCable) {
  const std::string chain = "5:0x06e5e093,8:0x59604093";
  const std::string idcode = std::string(TAPWRIGHT_EXAMPLES_DIR) + "/idcode.svf";
  for (const char* cable : {"tapwright", "ft2232h"}) {
    for (const std::vector<std::string>& what :
         {std::vector<std::string>{"--detect"}, {"--device", "2", "-c", idcode}}) {
      std::vector<std::string> args = {"--cable", cable};
      args.insert(args.end(), what.begin(), what.end());
      std::vector<std::string> simulated = args;
      simulated.insert(simulated.begin(), "--sim=" + chain);
      const ProgramRun expected = run_program(TAPWRIGHT_PLAY_PATH, simulated);
      ASSERT_EQ(expected.status, 0) << expected.err;
      args.insert(args.begin(), TAPWRIGHT_PLAY_PATH);
      const std::string chip = cable == std::string("tapwright") ? "ft232r" : cable;
      SCOPED_TRACE(::testing::PrintToString(args));
      const ChipRun run = run_on_chip(args, "chip=" + chip + " chain=" + chain);
      EXPECT_EQ(run.run.status, expected.status);
      EXPECT_EQ(run.run.err, expected.err);
      EXPECT_EQ(run.run.out, expected.out);
    }
  }
}

TEST(EmulatedChip, EachFaultEndsTheRunWithTheMessageOfItsPhase) {
  const std::string idcode = TAPWRIGHT_EXAMPLES_DIR "/idcode.svf";
  // Several blocks before the drain, whatever the mode.
  const std::string blocks = scratch_dir("faults") + "/blocks.svf";
  write_file(blocks,
             "SIR 8 TDI (01);\nSDR 32 TDI (0) TDO (59604093) MASK (ffffffff);\n"
             "RUNTEST 20000 TCK;\nSDR 32 TDI (0) TDO (59604093) MASK (ffffffff);\n");
  // The fault comes at a transfer of a clean run's trace: '1' the first,
  // '$' the last, else the second of the letter's kind (of the bit-mode
  // requests, the real open's after the first pass); at 0 the setting
  // stands as it is. No message: the run goes as the clean one.
  struct Case {
    const std::string& svf;
    const char* option;
    const char* fault;
    char at;
    const char* message;
    int timeouts;
    const char* cable = nullptr;  // tapwright-play with this cable, else tapwright
  };
  const std::string mpsse_broke = "tapwright-play: " + blocks +
                                  ":4: the cable failed (a write "
                                  "or read fell short)\n";
  const Case cases[] = {
      {idcode, "-c", "unplug", '1', "can't open USB device\n", 0},
      {idcode, "-c", "unplug", 'b', "can't initialize USB device\n", 0},
      {blocks, "", "unplug", 'o', "parse error\n", 0},
      {blocks, "-c", "unplug", 'i', "parse error\n", 0},
      {blocks, "-c", "unplug", '$', "can't write to USB\n", 0},
      {idcode, "", "unplug", '$', "can't write to USB\n", 0},
      // A stopped chip: a write stalls into libftdi1's time-out, and what
      // is owed is read for the back end's read time-out (a second of the
      // host's time), then given up.
      {blocks, "", "silent", 'o', "parse error\n", 1},
      {blocks, "-c", "silent", 'i', "parse error\n", 0},
      {idcode, "-c", "chip=none", 0, "can't open USB device\n", 0},
      {blocks, "-c", "gap=3", 0, "", 0},
      {idcode, "-c", "unplug", '1', "tapwright-play: no cable: cannot open the first FTDI device\n",
       0, "ft2232h"},
      {idcode, "", "unplug", 'b', "tapwright-play: the chip refused MPSSE mode\n", 0, "ft2232h"},
      {blocks, "-c", "unplug", 'i',
       "tapwright-play: the chip's MPSSE engine did not answer (no 0xFA to a bad command)\n", 0,
       "ft2232d"},
      {blocks, "-c", "unplug", '$', mpsse_broke.c_str(), 0, "ft2232h"},
      {blocks, "", "unplug", '$', mpsse_broke.c_str(), 0, "ft2232d"},
      {blocks, "-c", "silent", '$', mpsse_broke.c_str(), 0, "ft2232h"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> command = {TAPWRIGHT_PLAYER_PATH, c.svf};
    if (c.cable) command = {TAPWRIGHT_PLAY_PATH, "--cable", c.cable, c.svf};
    if (*c.option) command.push_back(c.option);
    const std::string chip_setting = std::string("chip=") + (c.cable ? c.cable : "ft232r");
    const ChipRun clean = run_on_chip(command, chip_setting);
    ASSERT_EQ(clean.run.status, 0) << clean.run.err;
    std::size_t at = c.at == '1' ? 1 : clean.trace.size();
    if (c.at != '1' && c.at != '$') at = clean.trace.find(c.at, clean.trace.find(c.at) + 1) + 1;
    const std::string fault = c.at ? std::string(c.fault) + "=" + std::to_string(at) : c.fault;
    SCOPED_TRACE(fault + " " + c.svf + " " + c.option);
    const ChipRun chip = run_on_chip(command, chip_setting + " " + fault);
    EXPECT_EQ(chip.run.status, *c.message ? 1 : 0);
    EXPECT_EQ(chip.run.err, c.message);
    EXPECT_EQ(chip.run.out, *c.message ? "" : clean.run.out);
    EXPECT_TRUE(*c.message ? clean.pins.starts_with(chip.pins) : clean.pins == chip.pins);
    if (!c.at) continue;
    EXPECT_EQ(chip.report.at("timeouts"), c.timeouts);
    EXPECT_GE(chip.report.at("fault_ns"), 0);
    if (c.fault == std::string("silent") && !c.timeouts) continue;
    // Nothing is played, or even tried, after the failing transfer, which
    // ends the run within libftdi1's USB time-out (5 s) and a frame. (Of
    // a write in flight beside the read that failed, libftdi1 itself tries
    // the rest once more.)
    EXPECT_LE(chip.report.at("after_fault"), c.cable ? 1 : 0);
    EXPECT_LE(chip.report.at("simulated_ns") - chip.report.at("fault_ns"), 5'001'000'000);
  }
}

// In this process, libftdi1 over an FT232R made when it first starts
// libusb: the vendor library's divisors (0 is 3 MHz, 1 is 2 MHz, n above
// that 3 MHz / n) reach the chip's baud-rate generator as the same rates, in
// bit-bang mode too, where libftdi1 multiplies the rate it is given by four.
TEST(LibftdiOnTheChip, TakesTheVendorLibrarysDivisors) {
  setenv("TAPWRIGHT_USB_EMU", "chip=ft232r", 1);
  const auto report = [] { return parse_report(usb::emulated_chip()->report()); };
  SystemFtdiCalls calls;
  LibftdiDevice device(calls);
  DeviceHandle handle = nullptr;
  ASSERT_EQ(device.open(0, &handle), device_ok);
  for (const int mode : {0, +mode_async_bitbang, +mode_sync_bitbang}) {
    if (mode) {
      ASSERT_EQ(device.set_bit_mode(handle, direction_mask, static_cast<std::uint8_t>(mode)),
                device_ok);
    }
    for (const auto& [divisor, rate] : {std::pair{0, 3'000'000}, {1, 2'000'000}, {300, 10'000}}) {
      EXPECT_EQ(device.set_divisor(handle, static_cast<std::uint16_t>(divisor)), device_ok);
      EXPECT_EQ(report().at("baud"), rate) << "divisor " << divisor << ", mode " << mode;
    }
  }
  EXPECT_EQ(device.close(handle), device_ok);
}

}  // namespace
}  // namespace tapwright::testing

namespace tapwright::testing {
namespace {

// A desk's bus: a console cable (FT232R with a serial), a blank FT232R, an
// FT2232H board, and a cable with Olimex's IDs. Each case plays idcode.svf
// with -c -v and the selectors given: the one channel that clocks is the
// one chosen, and -v names it; or nothing is opened and the message says
// why, with the listing where it is asked for.
TEST(EmulatedChip, SelectorsChooseOneChannelAndNeverGuess) {
  const std::string dir = scratch_dir("select");
  const std::string bus =
      "chip=ft232r serial=A10KZP3Q report=" + dir + "/0 ; chip=ft232r report=" + dir +
      "/1 ; chip=ft2232h product=\"Digilent USB Device\" serial=210299A8 bus=3 address=9 report=" +
      dir + "/2 ; chip=ft2232h id=15ba:002b product=\"Olimex OpenOCD JTAG ARM-USB-OCD-H\"";
  const auto play = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"LD_LIBRARY_PATH=" TAPWRIGHT_USB_EMU_DIR, "TAPWRIGHT_USB_EMU=" + bus,
                               TAPWRIGHT_PLAY_PATH});
    return run_program("/usr/bin/env", args);
  };
  const ProgramRun scan = play({"--scan-usb"});
  ASSERT_EQ(scan.status, 0);
  EXPECT_EQ(scan.out,
            "1: FT232R, 0403:6001, bus 1 device 2, serial A10KZP3Q, \"FT232R USB UART\", "
            "bit-bang only; cable ft232r\n"
            "2: FT232R, 0403:6001, bus 1 device 3, no serial, \"FT232R USB UART\", bit-bang only; "
            "cable ft232r\n"
            "3: FT2232H A, 0403:6010, bus 3 device 9, serial 210299A8, \"Digilent USB Device\", "
            "MPSSE; cable ft2232h\n"
            "4: FT2232H B, 0403:6010, bus 3 device 9, serial 210299A8, \"Digilent USB Device\", "
            "MPSSE; cable ft2232h\n"
            "5: FT2232H A, 15ba:002b, bus 1 device 5, no serial, \"Olimex OpenOCD JTAG "
            "ARM-USB-OCD-H\", MPSSE; cable olimex-arm-usb-ocd-h\n"
            "6: FT2232H B, 15ba:002b, bus 1 device 5, no serial, \"Olimex OpenOCD JTAG "
            "ARM-USB-OCD-H\", MPSSE\n");
  const struct {
    std::vector<std::string> args;
    int device;           // the one that clocks; -1: none
    const char* channel;  // its report's key: "" for A, ":B"
    const char* said;     // on standard output, or standard error when none clocks
  } cases[] = {
      {{"--serial", "A10KZP3Q"}, 0, "", ": on FTDI serial A10KZP3Q\n"},
      {{"--index", "2"}, 1, "", ": on FTDI device 2 (FT232R)\n"},
      {{"--bus-device", "3:9"}, 2, "", ": on FTDI serial 210299A8 channel A\n"},
      {{"--description", "Digilent USB Device", "--channel", "b"}, 2, ":B", "channel B\n"},
      {{"--index", "4", "--cable", "ft2232h"}, 2, ":B", "channel B\n"},
      {{"--serial", "210299A8B"}, 2, ":B", "channel B\n"},
      // The named cable's USB identity picks the one FTDI-ID FT2232H.
      {{"--cable", "ft2232h"}, 2, "", "channel A\n"},
      {{"--vid-pid", "0403:6001"},
       -1,
       "",
       "more than one FTDI device matches --vid-pid 0403:6001; choose one with --serial, "
       "--description, --index, --vid-pid or --bus-device:\n  1: FT232R"},
      // Each selector but one matches the console cable.
      {{"--serial", "A10KZP3Q", "--description", "FT232R USB UART", "--index", "1", "--vid-pid",
        "0403:6010", "--bus-device", "1:2", "--channel", "A"},
       -1,
       "",
       "no FTDI device matches --serial A10KZP3Q --description 'FT232R USB UART' --index 1 "
       "--vid-pid 0403:6010 --bus-device 1:2 --channel A; attached:\n  1: "},
      {{"--cable", "ft2232h", "--serial", "A10KZP3Q"},
       -1,
       "",
       "cable 'ft2232h' is an FT2232H driven by its MPSSE engine; the device chosen is "
       "not:\n  1: FT232R"},
      {{}, -1, "", "more than one FTDI device is attached; choose one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-c", "-v", TAPWRIGHT_EXAMPLES_DIR "/idcode.svf"});
    const ProgramRun run = play(args);
    EXPECT_EQ(run.status, c.device < 0 ? 1 : 0) << run.err;
    EXPECT_NE((c.device < 0 ? run.err : run.out).find(c.said), std::string::npos)
        << run.out << run.err;
    for (int d = 0; d < 3; ++d) {
      Report report = parse_report(read_file(dir + "/" + std::to_string(d)));
      const std::string key = d == c.device ? c.channel : "";
      // Bytes clocked in bit-bang mode, TCK cycles in MPSSE mode.
      EXPECT_EQ(report["clocked" + key] + report["tck" + key] > 0, d == c.device) << d;
    }
    // A refusal to guess lists everything attached, as --scan-usb does.
    if (c.args.empty()) {
      std::istringstream lines(scan.out);
      for (std::string line; std::getline(lines, line);) {
        EXPECT_NE(run.err.find("  " + line + "\n"), std::string::npos) << line;
      }
    }
  }
}

}  // namespace
}  // namespace tapwright::testing
