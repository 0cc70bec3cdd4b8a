#include "play/play_options.hpp"

#include <string_view>

#include "driver/sim_arguments.hpp"

namespace tapwright::play {

const char* const play_usage =
    "usage: tapwright-play [options] FILE\n"
    "Plays an SVF file (any of SVF, as vendor tools write it) into the JTAG chain behind\n"
    "an FTDI cable. The whole file is checked before the cable is opened. FILE - reads\n"
    "standard input.\n"
    "  -c, --compare        read TDO back and compare it under the masks; stop at the\n"
    "                       first scan that differs\n"
    "  -v, --verbose        echo each statement with its line, and the waits with their\n"
    "                       timing\n"
    "      --keep-going     with -c: play to the end and report every scan that differs\n"
    "      --check          check the whole file and report; play nothing, open nothing\n"
    "      --sim[=CHAIN]    play into the simulated cable and chain of tapwright-sim\n"
    "                       (CHAIN as tapwright-sim takes it; default 8:0x59604093)\n"
    "      --vcd FILE, --vcd-limit SIZE, --capture-out FILE, --capture-in FILE,\n"
    "      --fault WHAT     with --sim: as for tapwright-sim\n"
    "      --no-wait        with --sim: time the waits in seconds without sitting\n"
    "                       through them\n"
    "      --cable NAME     the cable and how it is driven (default tapwright: bit-bang,\n"
    "                       TDI TXD, TMS RXD, TCK RTS, TDO CTS); ft2232h, ft4232h,\n"
    "                       ft232h and ft2232d drive the chip's MPSSE engine\n"
    "      --channel A|B    the channel of a two-channel chip (default A)\n"
    "      --tck-hz RATE    the fastest TCK for MPSSE (Hz, kHz, MHz; default 6 MHz);\n"
    "                       a FREQUENCY in the file asks a rate up to it\n"
    "      --progress, --no-progress\n"
    "                       a progress line on standard error (default: on a terminal)\n"
    "  -h, --help           this text\n"
    "      --version        the version\n"
    "Exit status: 0 played (and every compared bit matched), 1 not played (usage, file,\n"
    "cable, statement), 2 TDO differed, 130 interrupted.\n";

int parse_play_options(const std::vector<std::string>& args, PlayOptions& o, std::string& problem) {
  // tapwright-sim's own options are taken by its own code, from an argv.
  std::vector<const char*> argv{"tapwright-play"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  const int argc = static_cast<int>(argv.size());
  bool have_file = false;
  bool only_operands = false;
  bool wants_sim = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (only_operands || arg == "-" || arg.empty() || arg[0] != '-') {
      if (have_file) {
        problem = "more than one FILE: '" + o.file + "' and '" + arg + "'";
        return 0;
      }
      o.file = arg;
      have_file = true;
      continue;
    }
    if (arg == "--") {
      only_operands = true;
      continue;
    }
    if (arg[1] != '-') {
      // Short options, which may stand together ("-cv").
      for (std::size_t k = 1; k < arg.size(); ++k) {
        switch (arg[k]) {
          case 'c':
            o.compare = 1;
            break;
          case 'v':
            o.verbose = 1;
            break;
          case 'h':
            o.help = true;
            break;
          default:
            problem = std::string("unknown option '-") + arg[k] + "'";
            return 0;
        }
      }
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const bool has_value = eq != std::string::npos;
    bool* flag = name == "--keep-going" ? &o.keep_going
                 : name == "--check"    ? &o.check
                 : name == "--help"     ? &o.help
                 : name == "--version"  ? &o.version
                 : name == "--no-wait"  ? &o.no_wait
                                        : nullptr;
    if (name == "--compare" || name == "--verbose" || name == "--progress" ||
        name == "--no-progress" || flag) {
      if (has_value) {
        problem = name + " takes no value";
        return 0;
      }
      if (name == "--compare") o.compare = 1;
      if (name == "--verbose") o.verbose = 1;
      if (name == "--progress" || name == "--no-progress") o.progress = name == "--progress";
      if (flag) *flag = true;
      wants_sim = wants_sim || flag == &o.no_wait;
    } else if (name == "--sim") {
      o.sim = true;
      if (has_value) o.sim_options.chain = arg.substr(eq + 1);
      if (has_value && o.sim_options.chain.empty()) {
        problem = "--sim= needs a chain";
        return 0;
      }
    } else if (name == "--cable" || name == "--channel" || name == "--tck-hz") {
      std::string value;
      if (has_value) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      }
      if (value.empty()) {
        problem = name + " needs a value";
        return 0;
      }
      if (name == "--cable") o.cable = value;
      if (name == "--tck-hz") o.tck_hz = value;
      if (name == "--channel") {
        const char c = static_cast<char>(value[0] & ~0x20);
        if (value.size() != 1 || c < 'A' || c > 'D') {
          problem = "--channel needs A, B, C or D, not '" + value + "'";
          return 0;
        }
        o.channel = c;
      }
    } else if (name == "--chain") {
      problem = "--chain: the chain is given as --sim=CHAIN";
      return 0;
    } else {
      switch (take_sim_option(argc, argv.data(), i, o.sim_options, problem)) {
        case SimOptionMatch::taken:
          wants_sim = true;
          break;
        case SimOptionMatch::error:
          return 0;
        case SimOptionMatch::not_ours:
          problem = "unknown option '" + name + "'";
          return 0;
      }
    }
  }
  if (o.help || o.version) return 1;
  if (!have_file) {
    problem = "no FILE given";
    return 0;
  }
  if (wants_sim && !o.sim) {
    problem =
        "--vcd, --vcd-limit, --capture-out, --capture-in, --fault and --no-wait go with --sim";
    return 0;
  }
  if (o.keep_going && !o.compare) {
    problem = "--keep-going goes with -c";
    return 0;
  }
  return 1;
}

}  // namespace tapwright::play
