#include "play/play_options.hpp"

#include "cli/command_line.hpp"

namespace tapwright::play {
namespace {

using cli::Takes;

enum PlayOptionId {
  compare_option = sim::last_sim_option + 1,
  verbose_option,
  keep_going_option,
  check_option,
  sim_option,
  no_wait_option,
  progress_option,
  no_progress_option,
  cable_option,
  channel_option,
  tck_hz_option,
  detect_option,
  device_option,
  pins_option,
  list_cables_option,
  help_option,
  version_option,
};

static_assert(static_cast<int>(version_option) < static_cast<int>(scan_usb_option),
              "the device options' ids are apart");

// The rows before the simulator's own options, and after them.
constexpr cli::Option first_rows[] = {
    {compare_option,
     "--compare",
     'c',
     Takes::nothing,
     {},
     "read TDO back and compare it under the masks; a scan\n"
     "that differs stops the run before the next SIR or\n"
     "RUNTEST (the SDRs between are still played)"},
    {verbose_option,
     "--verbose",
     'v',
     Takes::nothing,
     {},
     "echo each statement with its line, and the waits\nwith their timing"},
    {keep_going_option,
     "--keep-going",
     0,
     Takes::nothing,
     {},
     "with -c: play to the end and report every scan that\ndiffers"},
    {check_option,
     "--check",
     0,
     Takes::nothing,
     {},
     "check the whole file and report; play nothing, open\nnothing"},
    {sim_option, "--sim", 0, Takes::optional_value, "CHAIN",
     "play into the simulated cable and chain of\n"
     "tapwright-sim (CHAIN as tapwright-sim takes it;\ndefault 8:0x59604093)"},
};
constexpr cli::Option cable_rows[] = {
    {cable_option, "--cable", 0, Takes::value, "NAME",
     "the cable and how it is driven (default tapwright:\n"
     "bit-bang, TDI TXD, TMS RXD, TCK RTS, TDO CTS); ft2232h,\n"
     "ft4232h, ft232h and ft2232d drive the chip's MPSSE\n"
     "engine; --list-cables lists every name"},
    {channel_option, "--channel", 0, Takes::value, "A|B|C|D",
     "the channel of a multi-channel chip (default: the\ncable's, else A)"},
    {tck_hz_option, "--tck-hz", 0, Takes::value, "RATE",
     "the fastest TCK (Hz, kHz, MHz; default 6 MHz on MPSSE,\n"
     "the chip's fastest on bit-bang); a FREQUENCY in the\nfile asks a rate up to it"},
    {detect_option, "--detect", 0, Takes::nothing, {},
     "report the devices on the chain, nearest TDI first;\nno FILE", true},
    {device_option, "--device", 0, Takes::value, "K",
     "play the file to device K of the chain (from 1,\n"
     "nearest TDI first, or its IDCODE 0x...), the others\nin BYPASS"},
};
constexpr cli::Option wiring_rows[] = {
    {pins_option, "--pins", 0, Takes::value, "MAP",
     "a bit-bang wiring: TCK=RTS,TMS=RXD,TDI=TXD,TDO=CTS,\n"
     "pins 0-7 or TXD RXD RTS CTS DTR DSR DCD RI; TRST=,\n"
     "SRST= optional (asserted low)"},
    {list_cables_option,
     "--list-cables",
     0,
     Takes::nothing,
     {},
     "list the named cables: chip, encoding, VID:PID,\nwiring, extra pins, fastest TCK",
     true},
};
constexpr cli::Option last_rows[] = {
    {no_wait_option,
     "--no-wait",
     0,
     Takes::nothing,
     {},
     "with --sim: time the waits in seconds without sitting\nthrough them"},
    {progress_option,
     "--progress",
     0,
     Takes::nothing,
     {},
     "a progress line on standard error (default: when\nstandard error is a terminal)"},
    {no_progress_option, "--no-progress", 0, Takes::nothing, {}, "no progress line"},
    {help_option, "--help", 'h', Takes::nothing, {}, "this text", true},
    {version_option, "--version", 0, Takes::nothing, {}, "the version", true},
};

std::vector<cli::Option> option_table() {
  std::vector<cli::Option> table(std::begin(first_rows), std::end(first_rows));
  for (cli::Option row : sim::sim_option_rows()) {
    // The simulated chain is given as --sim=CHAIN; --chain is the chain
    // the file is played to one device of.
    if (row.id == sim::chain_option) {
      row.help =
          "with --device: the chain, as --sim takes it (else\n"
          "it is detected); what the cable reads must match it";
    }
    table.push_back(row);
  }
  table.insert(table.end(), std::begin(cable_rows), std::end(cable_rows));
  const auto devices = device_option_rows();
  table.insert(table.end(), devices.begin(), devices.end());
  table.insert(table.end(), std::begin(wiring_rows), std::end(wiring_rows));
  table.insert(table.end(), std::begin(last_rows), std::end(last_rows));
  return table;
}

}  // namespace

std::string play_usage() {
  return "usage: tapwright-play [options] FILE\n"
         "       tapwright-play --detect [options]\n"
         "       tapwright-play --scan-usb\n"
         "Plays an SVF file (any of SVF, as vendor tools write it) into the JTAG chain behind\n"
         "an FTDI cable. The whole file is checked before the cable is opened. FILE - reads\n"
         "standard input.\n" +
         cli::describe_options(option_table(), "  ") +
         "--capture-out, --capture-in, --vcd, --vcd-limit, --fault and --no-wait go with\n"
         "--sim. Exit status: 0 played (and every compared bit matched), 1 not played\n"
         "(usage, file, cable, statement), 2 TDO differed, 130 interrupted (SIGINT,\n"
         "SIGTERM, SIGHUP).\n";
}

int parse_play_options(const std::vector<std::string>& args, PlayOptions& o, std::string& problem) {
  cli::CommandLine line;
  if (!cli::read_command_line(option_table(), args, line, problem)) return 0;
  bool wants_sim = false;
  for (const cli::GivenOption& given : line.options) {
    switch (given.id) {
      case compare_option:
        o.compare = 1;
        break;
      case verbose_option:
        o.verbose = 1;
        break;
      case keep_going_option:
        o.keep_going = true;
        break;
      case check_option:
        o.check = true;
        break;
      case help_option:
        o.help = true;
        break;
      case version_option:
        o.version = true;
        break;
      case progress_option:
        o.progress = true;
        break;
      case no_progress_option:
        o.progress = false;
        break;
      case no_wait_option:
        o.no_wait = true;
        wants_sim = true;
        break;
      case sim_option:
        o.sim = true;
        if (!given.value.empty()) o.sim_options.chain = given.value;
        break;
      case sim::chain_option:
        o.chain = given.value;
        break;
      case cable_option:
        o.cable = given.value;
        break;
      case tck_hz_option:
        o.tck_hz = given.value;
        break;
      case detect_option:
        o.detect = true;
        break;
      case device_option:
        o.device = given.value;
        break;
      case pins_option:
        o.pins = given.value;
        break;
      case list_cables_option:
        o.list_cables = true;
        break;
      case channel_option: {
        const char c = static_cast<char>(given.value.size() == 1 ? given.value[0] & ~0x20 : 0);
        if (c < 'A' || c > 'D') {
          problem = "--channel needs A, B, C or D, not '" + given.value + "'";
          return 0;
        }
        o.channel = c;
        break;
      }
      case scan_usb_option:
      case serial_option:
      case description_option:
      case index_option:
      case vid_pid_option:
      case bus_device_option:
        if (!set_device_option(given.id, given.value, o.selectors, problem)) return 0;
        break;
      default:  // the simulator's own
        if (!sim::set_sim_option(given.id, given.value, o.sim_options, problem)) return 0;
        wants_sim = true;
    }
  }
  if (!line.operands.empty()) o.file = line.operands[0];
  if (o.help || o.version || o.list_cables) return 1;
  if (wants_sim && !o.sim) {
    problem =
        "--vcd, --vcd-limit, --capture-out, --capture-in, --fault and --no-wait go with --sim";
    return 0;
  }
  if (o.keep_going && !o.compare) {
    problem = "--keep-going goes with -c";
    return 0;
  }
  if (!o.chain.empty() && o.device.empty()) {
    problem = "--chain goes with --device (a simulated chain is given as --sim=CHAIN)";
    return 0;
  }
  if (o.detect && (!o.device.empty() || o.check)) {
    problem = "--detect plays no file: not with --device or --check";
    return 0;
  }
  return 1;
}

}  // namespace tapwright::play
