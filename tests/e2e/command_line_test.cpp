// Every program's command line as a user types it, one row each: the one
// reader's forms and refusals, help, and what the programs play, echo and
// say about the files they are given.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

const std::string play = TAPWRIGHT_PLAY_PATH, prep = TAPWRIGHT_PREP_PATH, sim = TAPWRIGHT_SIM_PATH,
                  player = TAPWRIGHT_PLAYER_PATH;

struct Row {
  const std::string& program;
  std::string args;
  int status;
  std::string out, err;
};

// A file tapwright-play refuses, with the line and the reason, before the
// cable is opened.
Row refused(const std::string& file, const std::string& problem) {
  return {play, "--sim --capture-out @/out.bin -c @/" + file, 1, "",
          "@/" + file + ":" + problem + "\ntapwright-play: @/" + file +
              ": 1 problem; nothing played\n"};
}

// Refused as a usage error: the reason, then where help is.
Row usage(const std::string& program, std::string args, const std::string& reason) {
  const std::string name = std::filesystem::path(program).filename().string();
  return {program, std::move(args), 1, "",
          name + ": " + reason + "\nTry '" + name + " --help' for more information.\n"};
}

TEST(CommandLines, EveryProgramAndWhatItSays) {
  const std::string dir = scratch_dir("lines");
  const std::string ones(63, 'f'),
      matched = "   <<< All TDO outputs matched to the expected values! >>>\n\n";
  // Problems in the order of their lines, nothing that only follows from
  // an earlier one, and at most 20.
  std::string order = "RUNTEST 5 TCK\n ENDSTATE (IDLE;\nSTATE DRSHIFT;\nSTATE IDLE DRPAUSE;\n";
  std::string listed =
      "@/order.svf:1: RUNTEST needs a stable state (IDLE, RESET, DRPAUSE, IRPAUSE) where it has no "
      "word\n@/order.svf:2: value in parentheses has no closing ')' before ';'\n@/order.svf:3: "
      "STATE path ends in DRSHIFT, which is no stable state (IDLE, RESET, DRPAUSE, IRPAUSE)\n"
      "@/order.svf:4: STATE path IDLE DRPAUSE: DRPAUSE does not follow IDLE in the TAP state "
      "graph\n";
  for (int line = 5; line <= 26; ++line) {
    order += "X;\n";
    if (line <= 20) listed += "@/order.svf:" + std::to_string(line) + ": 'X' is no SVF statement\n";
  }
  std::string twelve;  // scans that differ, two more than are told in full
  for (int i = 0; i < 12; ++i) twelve += "SDR 32 TDI (0) TDO (59604092);\n";
  const std::pair<const char*, std::string> files[] = {
      {"a.svf", "SIR 8 TDI (01);\n"},
      {"paren.svf", "SIR 8 TDI (01));\n"},
      {"twelve.svf", twelve},
      {"comments.svf", "// a comment\n! and another\n"},
      {"hir.svf", "HIR 2 TDI (0);\nSIR 8 TDI (01);\n"},
      {"onebit.svf", "SDR 32 TDI (0) TDO (59604092);\n"},
      {"wait.svf", "RUNTEST 500E-3 SEC;\n"},
      {"order.svf", order},
      {"runtest.svf", "RUNTEST -5 TCK;\nRUNTEST 1.5 TCK;\n\x1a"},
      {"freq.svf", "FREQUENCY 1E16 HZ;\nRUNTEST 1 SEC;\n"},
      {"s.svf", "RUNTEST 50E-3 SEC;\n"},
      {"r.svf", "FREQUENCY 2E6 HZ;\nRUNTEST 50E-3 SEC;\n"},
      {"word.svf", "SIR " + std::string(100, 'y') + ";\n"},
      {"cut.svf", "SIR " + std::string(5000, '0') + "8 TDI (01);\n"},
      {"widest.svf", "HDR 1 TDI (0);\nSDR 2147483646 TDI (0);\n"},
      // From Run-Test/Idle: 4 clocks, then 1 + 1 + 3 to RESET + 1, then 5.
      {"path.svf", "State DRPAUSE;\nstate drexit2 drupdate reset idle;\nSTATE IRPAUSE;\n"},
      {"long.svf", "SDR 260 TDI (" + std::string(65, '1') + ");\nHDR 64 TDI (0);\nSDR 4 TDI (5);\n"},
      // The widest scan reported with its values, read back in two blocks,
      // of which only the second differs.
      {"straddle.svf", "RUNTEST 2000 TCK;\nSDR 256 TDI (0) TDO (7" + ones + ");\n"},
      {"pio.svf", "SIR 8 TDI (01);\nPIO (HL);\n"},
      {"graph.svf", "STATE IDLE DRPAUSE;\n"},
      {"sck.svf", "\nRUNTEST 10 SCK;\n"},
      {"escape.svf", "\x1b[2J;"},
      {"piomap.svf", "\nPIOMAP (IN A);"},
      {"1e16.svf", "RUNTEST 1E16 TCK;"},
      {"endstate.svf", "RUNTEST 5 TCK ENDSTATE (IDLE);"},
      {"wide.svf", "HDR 2 TDI (0);\nSDR 2147483646 TDI (0);"},
  };
  for (const auto& [name, text] : files) write_file(dir + "/" + name, text);
  for (const char* name : {"idcode.svf", "verify_fails.svf"}) {
    write_file(dir + "/" + name, read_file(std::string(TAPWRIGHT_EXAMPLES_DIR "/") + name));
  }
  const std::string bad_wait =
      "@/freq.svf:2: RUNTEST waits longer than tapwright-prep accepts (1 SEC is over 2^53 clocks "
      "at 10000000000000000 Hz)\ntapwright-prep: @/freq.svf cannot be lowered (1 problem); "
      "nothing written\n";
  const std::string usage_text = " options:\n   -c compare TDO outputs to the expected values\n";
  const std::string sim_usage =
      "tapwright-sim [simulator options] svf_file [options]\n" + usage_text;
  const std::string lowered = "// tapwright-prep: lowered from @/";
  const std::string mismatch = "@/onebit.svf:1: SDR 32: TDO mismatch: read 59604093, expected ";
  const std::string state_graph = "DRPAUSE does not follow IDLE in the TAP state graph";
  const std::string rate_note = "tapwright-prep: note: the file's waits in seconds become clocks";
  const Row rows[] = {
      usage(play, "", "no FILE given"),
      usage(play, "@/a.svf @/b.svf", "more than one FILE: '@/a.svf' and '@/b.svf'"),
      usage(play, "-cx @/a.svf", "unknown option '-x'"),
      usage(play, "-c= @/a.svf", "-c takes no value"),
      usage(play, "--check=yes @/a.svf", "--check takes no value"),
      usage(play, "--chain 1:1 @/a.svf",
            "--chain goes with --device (a simulated chain is given as --sim=CHAIN)"),
      usage(play, "--fault=open @/a.svf",
            "--vcd, --vcd-limit, --capture-out, --capture-in, --fault and --no-wait go with --sim"),
      usage(play, "--keep-going @/a.svf", "--keep-going goes with -c"),
      usage(play, "--index 0 @/a.svf",
            "--index needs a line number of the --scan-usb listing (1, 2, ...), not '0'"),
      usage(play, "--vid-pid 0403:6010x @/a.svf",
            "--vid-pid needs two hexadecimal IDs like 0403:6010, not '0403:6010x'"),
      usage(play, "--bus-device 3:256 @/a.svf",
            "--bus-device needs a bus and a device number like 3:9, not '3:256'"),
      // Wirings and names refused before anything is opened.
      usage(play, "--sim --pins TCK=RTS,TMS=RXD,TDI=TXD @/a.svf",
            "--pins 'TCK=RTS,TMS=RXD,TDI=TXD': no pin is given for TDO"),
      usage(play, "--sim --pins TCK=2,TMS=RTS,TDI=0,TDO=3 @/a.svf",
            "--pins 'TCK=2,TMS=RTS,TDI=0,TDO=3': TCK and TMS are both on RTS"),
      usage(play, "--sim --pins TCK=2,TMS=1,TCK=4,TDI=0,TDO=3 @/a.svf",
            "--pins 'TCK=2,TMS=1,TCK=4,TDI=0,TDO=3': TCK is given twice"),
      usage(play, "--sim --pins TCK=8,TMS=1,TDI=0,TDO=3 @/a.svf",
            "--pins 'TCK=8,TMS=1,TDI=0,TDO=3': no pin is named '8' (0 to 7, or TXD RXD RTS CTS "
            "DTR DSR DCD RI)"),
      usage(play, "--sim --pins TCK=2,TMS=1,TDI=0,TDO=3,TCLK=4 @/a.svf",
            "--pins 'TCK=2,TMS=1,TDI=0,TDO=3,TCLK=4': 'TCLK=4' is not SIGNAL=PIN with a SIGNAL "
            "of TCK, TMS, TDI, TDO, TRST, SRST"),
      usage(play, "--sim --cable tigard --pins TCK=2,TMS=1,TDI=0,TDO=3 @/a.svf",
            "--pins wires a bit-bang cable; cable 'tigard' drives the MPSSE pins"),
      usage(play, "--sim --cable hs2 @/a.svf",
            "--cable: no cable is named 'hs2'; the names are tapwright, ft2232h, ..., ulx2s"),
      usage(play, "--sim --cable ft232r --tck-hz 50Hz @/a.svf",
            "--tck-hz 50 Hz is below the slowest rate of an FT232R (91 Hz)"),
      usage(play, "''", "FILE is an empty name"),
      {play, "-- -c", 1, "", "tapwright-play: cannot open -c: No such file or directory\n"},
      {play, "--sim=8:0x59604093 -vc --no-progress @/a.svf", 0,
       "@/a.svf: 0.014 ms estimated (14 clocks and the waits)\n@/a.svf:1: SIR 8 TDI (01)\n@/a.svf: "
       "no TDO bit was compared: no scan has one under its "
       "MASK\n",
       ""},
      {play, "--sim -c @/comments.svf", 1, "",
       "tapwright-play: @/comments.svf: no SVF statement\n"},
      {play, "--sim -c @/onebit.svf", 2, "",
       mismatch + "59604092, mask ffffffff\ntapwright-play: @/onebit.svf: TDO differed in 1 of 1 "
                  "compared scans (1 bit); stopped there\n"},
      {play, "--sim --no-wait -v @/wait.svf", 0,
       "@/wait.svf: 500 ms estimated (0 clocks and the waits)\n@/wait.svf:1: RUNTEST IDLE 0 TCK "
       "0.5 SEC: a wait of 501.0 ms, skipped (--no-wait) "
       "ENDSTATE IDLE\n",
       ""},
      {play, "--check @/order.svf", 1, "",
       listed + "tapwright-play: 6 more problems not listed\ntapwright-play: @/order.svf: 26 "
                "problems; nothing played\n"},
      // A final Ctrl-Z ends the file.
      {play, "--check @/runtest.svf", 1, "",
       "@/runtest.svf:1: RUNTEST has '-5': a clock count or time is never negative\n"
       "@/runtest.svf:2: note: RUNTEST 1.5 TCK gives 2 clocks: a clock count is rounded up to a "
       "whole one\ntapwright-play: @/runtest.svf: 1 problem; nothing played\n"},
      {play, "-h", 0,
       "usage: tapwright-play [options] FILE\n...\n  -c, --compare           read TDO back and "
       "compare it under the masks; a scan\n                          that differs stops the run "
       "before the next SIR or\n                          RUNTEST (the SDRs between are still "
       "played)\n...",
       ""},
      // Every refusal with its line, before anything is opened.
      refused("paren.svf", "1: SIR has ')' where TDI, TDO, MASK or SMASK belongs"),
      refused("pio.svf", "2: PIO cannot be played: the cable drives no parallel I/O pins"),
      refused("graph.svf", "1: STATE path IDLE IDLE DRPAUSE: " + state_graph),
      refused("sck.svf", "2: RUNTEST counts SCK clocks; the cable has no SCK wire to give them"),
      refused("escape.svf", "1: '\\x1b[2J' is no SVF statement"),
      refused("piomap.svf", "2: PIOMAP cannot be played: the cable drives no parallel I/O pins"),
      refused("1e16.svf", "1: RUNTEST gives more than 2^53 clocks"),
      refused(
          "endstate.svf",
          "1: RUNTEST needs a stable state (IDLE, RESET, DRPAUSE, IRPAUSE) where it has no word"),
      refused("wide.svf",
              "2: SDR with its header and trailer is 2147483648 bits, over tapwright's 2147483647"),
      {play, "--sim -c -v @/idcode.svf", 0,
       "@/idcode.svf: 0.061 ms estimated (61 clocks and the waits)\n@/idcode.svf:3: SIR 8 TDI (01) "
       "TDO (01) MASK (03)\n@/idcode.svf:4: SDR 32 TDI (00000000) "
       "TDO (59604093) MASK (ffffffff)\n@/idcode.svf:5: RUNTEST IDLE 10 TCK ENDSTATE "
       "IDLE\n@/idcode.svf: every compared TDO bit matched\n",
       ""},
      {play, "--sim -c @/verify_fails.svf", 2, "",
       "@/verify_fails.svf:4: SDR 32: TDO mismatch: read 59604093, expected 596040f4, mask "
       "ffffffff\ntapwright-play: @/verify_fails.svf: TDO differed in 1 of 1 compared scans (5 "
       "bits); stopped there\n"},
      // --check opens no cable: the real one, absent here, is never asked
      // for. Reset and drain aside: SIR 4 + 8 + 2, SDR 3 + 32 + 2, RUNTEST 10.
      {play, "--check @/idcode.svf", 0, "@/idcode.svf: 3 statements, 61 clocks: can be played\n",
       ""},
      {play, "@/idcode.svf", 1, "",
       "tapwright-play: no FTDI device is attached: check that it is plugged in, that you may\n"
       "open it (the udev rule 70-tapwright-ftdi.rules: see the README), and with FTDI's\n"
       "own library that the ftdi_sio driver is unloaded\n"},
      {play, "--check @/widest.svf", 0,
       "@/widest.svf: 2 statements, 2147483652 clocks: can be played\n", ""},
      {play, "--check @/path.svf", 0, "@/path.svf: 3 statements, 15 clocks: can be played\n", ""},
      {play, "--sim=none -v @/long.svf", 0,
       "@/long.svf: 0.338 ms estimated (338 clocks and the waits)\n@/long.svf:1: SDR 260 TDI (" +
           std::string(32, '1') +
           "... 65 digits)\n@/long.svf:3: SDR 4 (with 64 header and 0 trailer bits, shown as "
           "shifted) TDI (50000000000000000)\n",
       ""},
      {play, "--sim=none -c @/straddle.svf", 2, "",
       "@/straddle.svf:2: SDR 256: TDO mismatch: read f" + ones + ", expected 7" + ones +
           ", mask f" + ones +
           "\ntapwright-play: @/straddle.svf: TDO differed in 1 of 1 compared scans (1 bit); "
           "stopped there\n"},
      {play, "--sim -c --keep-going @/twelve.svf", 2, "",
       "...tapwright-play: 2 more scans differ\ntapwright-play: @/twelve.svf: TDO differed in 12 "
       "of 12 compared scans (12 bits)\n"},
      {play, "--sim=none --fault=bitmode @/a.svf", 1, "",
       "tapwright-play: the cable refused bit-bang mode\n"},
      // One device of a chain: found by IDCODE, refused when the chain
      // read is not the one given, when the file pads its own scans or
      // when no device answers.
      {play, "--sim=5:0x06e5e093,8:0x59604093 --device 0x59604093 -c @/idcode.svf", 0,
       "@/idcode.svf: every compared TDO bit matched\n", ""},
      {play,
       "--sim=5:0x06e5e093,8:0x59604093 --chain 5:0x06e5e093,8:0x59604092 --device 2 "
       "@/idcode.svf",
       1, "",
       "tapwright-play: @/idcode.svf: device 2 reads IDCODE 0x59604093 where --chain gives "
       "IDCODE 0x59604092; nothing played\n"},
      {play, "--sim=5:0x06e5e093,8:0x59604093 --device 3 @/idcode.svf", 1, "",
       "tapwright-play: --device 3: the chain's devices are 1 to 2; nothing played\n"},
      {play, "--sim --device 1 @/hir.svf", 1, "",
       "@/hir.svf:1: HIR 2 pads the scans for other devices of the chain, which --device does "
       "already: use one or the other\ntapwright-play: @/hir.svf: 1 problem; nothing played\n"},
      {play, "--sim --fault tdo-low --detect", 1, "",
       "tapwright-play: --detect: TDO reads constant 0..."},
      // A waveform that reached its size limit fails the run.
      {play, "--sim --vcd=@/w.vcd --vcd-limit=1K @/idcode.svf", 1, "",
       "tapwright-play: VCD file '@/w.vcd' stopped at its size limit..."},
      usage(prep, "--bogus @/a.svf", "unknown option '--bogus'"),
      usage(prep, "@/a.svf -o", "-o needs an argument"),
      usage(prep, "--tck-hz 0 @/a.svf",
            "--tck-hz needs a clock rate above 0 (like 6000000, 6MHz or 500kHz), not '0'"),
      {prep, "@/freq.svf", 1, "", bad_wait},
      {prep, "--check @/freq.svf", 1, "", bad_wait},
      {prep, "@/comments.svf", 1, "", "tapwright-prep: @/comments.svf: no SVF statement\n"},
      {prep, "/proc/self/mem", 1, "",
       "tapwright-prep: cannot read /proc/self/mem to its end: Input/output error; nothing "
       "written\n"},
      {prep, "@", 1, "", "tapwright-prep: cannot open @: Is a directory\n"},
      {prep, "--check -o @/out.svf @/a.svf", 0, "", ""},
      {prep, "@/s.svf", 0,
       lowered + "s.svf; SEC waits at 1000000 Hz (the default; the file has no FREQUENCY)\n"
                 "RUNTEST 50000 TCK;\n",
       rate_note + " at an assumed 1000000 Hz..."},
      {prep, "--tck-hz=500kHz -o - @/s.svf", 0,
       lowered + "s.svf; SEC waits at 500000 Hz (from --tck-hz)\nRUNTEST 25000 TCK;\n", ""},
      {prep, "--tck-hz 40 @/s.svf", 0,
       lowered + "s.svf; SEC waits at 40 Hz (from --tck-hz)\nRUNTEST 2 TCK;\n",
       "tapwright-prep: warning: --tck-hz 40 is below 1 kHz: a 50 ms wait becomes 2 clock(s); "
       "did you mean kHz or MHz?\n"},
      {prep, "@/r.svf", 0,
       lowered + "r.svf; SEC waits at 2000000 Hz (from the last FREQUENCY of the file)\n"
                 "RUNTEST 100000 TCK;\n",
       ""},
      {prep, "--tck-hz 6MHz @/r.svf", 0,
       lowered + "r.svf; SEC waits at 6000000 Hz (from --tck-hz)\nRUNTEST 300000 TCK;\n", ""},
      // Quoted short, as written.
      {prep, "@/word.svf", 1, "",
       "@/word.svf:1: SIR needs a length in bits from 0 to 2147483647 first, not '" +
           std::string(40, 'y') + "...'\n..."},
      {prep, "@/cut.svf", 1, "",
       "@/cut.svf:1: a word of more than 4096 characters: '" + std::string(40, '0') + "...'\n..."},
      {sim, "--help", 0, sim_usage + "...", ""},
      {sim, "--vcd '' -h", 0, sim_usage + "...", ""},
      {sim, "@/idcode.svf -c -v", 0,
       "SIR 8 TDI 01 SMASK  TDO 01 MASK 03\nSDR 32 TDI 00000000 SMASK  TDO 59604093 MASK "
       "ffffffff\nRUNTEST 10 TCK\n\n" +
           matched,
       ""},
      {sim, "@/a.svf --vcd", 1, "", "tapwright-sim: --vcd needs an argument\n"},
      {sim, "--capture-out= @/a.svf", 1, "",
       "tapwright-sim: --capture-out needs an argument, not an empty one\n"},
      {sim, "--vcd-limit=4T @/a.svf", 1, "",
       "tapwright-sim: --vcd-limit needs a size in bytes, with K, M or G or without, not '4T'\n"},
      {sim, "--fault=read:99999999999999999999 @/a.svf", 1, "",
       "tapwright-sim: bad fault 'read:99999999999999999999': N is too large (at most "
       "18446744073709551615)\n"},
      {player, "--help", 0, "tapwright svf_file [options]\n" + usage_text + "...", ""},
  };
  for (const Row& row : rows)
    check_runs(row.program, {{row.args, row.status, row.out, row.err}}, dir);
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.svf")) << "--check writes nothing";
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.bin")) << "a refused file opens no cable";
}

}  // namespace
}  // namespace tapwright::testing
