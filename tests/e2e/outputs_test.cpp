// What every program leaves in a folder, one row each: an output that is
// its input or another output however named, an output replaced through a
// link, an output that cannot be written in full, standard output that
// cannot be written, and a run stopped by a signal in each of its phases.
#include <gtest/gtest.h>

#include "support/program_run.hpp"

namespace tapwright::testing {
namespace {

struct Row {
  std::string command;  // run by bash in the folder
  int status;
  std::string err;
  // Each file and link the run made or changed, with its permission bits
  // and size.
  std::string changed;
};

TEST(Outputs, WhatEachRunLeavesBehind) {
  const std::string dir = scratch_dir("outputs");
  // "stop SIGNAL": the signal to the last program started in the
  // background once it is under way, which must then end within a second.
  // What the run made or changed is listed last, on standard output.
  const std::string listing =
      "\ns=$?; find . -mindepth 1 -newer .before ! -name .before -printf '%f:%m:%s\\n' | sort; "
      "exit $s";
  // Each run starts in a folder of its own with these files, links and FIFO.
  const std::string prelude =
      "rm -rf " + dir + "; mkdir " + dir + "; cd " + dir +
      " || exit 99\numask 022\n"
      "printf 'SIR 8 TDI (01);\\n' >a.svf; printf 'SDR 4096 TDI (0);\\n' >big.svf\n"
      "printf 'SIR 8 TDI (01);\\nRUNTEST 30 SEC;\\n' >wait.svf; echo old >old; chmod 640 old\n"
      "echo 'RUNTEST 4000000000000 TCK;' >long.svf; ln a.svf hard.svf; ln -s a.svf soft.svf\n"
      "ln -s old link; mkfifo fifo; trap '' XFSZ\nPLAY=" TAPWRIGHT_PLAY_PATH
      " PREP=" TAPWRIGHT_PREP_PATH " SIM=" TAPWRIGHT_SIM_PATH " TAPWRIGHT=" TAPWRIGHT_PLAYER_PATH
      "\nstop() { sleep 0.5; kill -$1 $!; for i in $(seq 100); do kill -0 $! 2>/dev/null || "
      "break; sleep 0.01; done; kill -KILL $! 2>/dev/null; wait $!; }\ntouch .before; sleep 0.02\n";
  // What a.svf lowers to: the first line, naming it, and its SIR.
  const std::string lowered_size = "120";
  const std::string interrupted = "tapwright-play: interrupted while checking <stdin>\n";
  const std::string stdout_full = ": cannot write standard output: No space left on device\n";
  std::string nuls;  // as messages quote them
  for (int i = 0; i < 40; ++i) nuls += "\\x00";
  const Row rows[] = {
      {"$PREP -o a.svf a.svf", 1, "tapwright-prep: -o 'a.svf' is the SVF file 'a.svf'\n", ""},
      {"$PREP -o soft.svf hard.svf", 1,
       "tapwright-prep: -o 'soft.svf' is the SVF file 'hard.svf'\n", ""},
      {"$SIM --capture-in hard.svf a.svf -c", 1,
       "tapwright-sim: --capture-in 'hard.svf' is the SVF file 'a.svf'\n", ""},
      {"$SIM --vcd new --capture-in ./new a.svf -c", 1,
       "tapwright-sim: --capture-in './new' and --vcd 'new' are the same file\n", ""},
      // Replaced through the link, keeping its permission bits.
      {"$PREP -o link a.svf", 0, "", "old:640:" + lowered_size + "\n"},
      {"$SIM --capture-out link --capture-in new a.svf -c >/dev/null", 0, "",
       "new:644:42\nold:640:42\n"},
      {"$PREP a.svf >new", 0, "", "new:644:" + lowered_size + "\n"},
      // Not written in full: the old file stays, and no temporary file.
      {"ulimit -f 1; $PREP -o link big.svf", 1,
       "tapwright-prep: could not write all of lowered file 'link': File too large; nothing "
       "written\n",
       ""},
      {"ulimit -f 1; $SIM --vcd link big.svf", 1,
       "tapwright-sim: could not write all of VCD file 'link': File too large\n", ""},
      {"$PLAY --sim --capture-out /dev/full a.svf", 1,
       "tapwright-play: could not write all of capture file '/dev/full': No space left on device\n",
       ""},
      {"$PLAY --sim -v a.svf >/dev/full", 1, "tapwright-play" + stdout_full, ""},
      {"$PREP a.svf >/dev/full", 1, "tapwright-prep" + stdout_full, ""},
      {"$SIM a.svf -c >/dev/full", 1, "tapwright-sim" + stdout_full, ""},
      {"$TAPWRIGHT -h >/dev/full", 1, "tapwright" + stdout_full, ""},
      // Standard input is checked as it is copied, and the copy stops at
      // its first problem or where it cannot be written.
      {"timeout -s KILL 10 $PLAY --sim /dev/zero", 1,
       "/dev/zero:1: a word of more than 4096 characters: '" + nuls +
           "...'\ntapwright-play: /dev/zero: 1 problem; nothing played\n",
       ""},
      {"ulimit -f 100; yes 'RUNTEST 1 TCK;' | TMPDIR=$PWD $PLAY --sim -", 1,
       "tapwright-play: cannot copy <stdin> to a temporary file in " + dir +
           ": File too large\ntapwright-play: <stdin>: 1 problem; nothing played\n",
       ""},
      // Every phase answers a signal.
      {"printf 'SIR 8 TDI (01) TDO (01) MASK (03);\\n' | $PLAY --sim -c -", 0, "",
       "<stdin>: every compared TDO bit matched\n"},
      {"sleep 2 | $PLAY --sim - & stop INT", 130, interrupted, ""},
      {"yes 'RUNTEST 1 TCK;' | $PLAY --sim - & stop TERM", 130, interrupted, ""},
      {"$PLAY --sim fifo & stop HUP", 130, "tapwright-play: interrupted while opening fifo\n", ""},
      {"$PLAY --sim --vcd link wait.svf & stop HUP", 130,
       "tapwright-play: interrupted at wait.svf:2\n", ""},
      {"$PLAY --sim --no-progress --capture-out new long.svf & stop INT", 130,
       "tapwright-play: interrupted at long.svf:1\n", ""},
      {"$SIM --capture-out link fifo & stop TERM", 130, "", ""},
      {"sleep 2 | $PREP -o new - & stop INT", 130, "tapwright-prep: interrupted; nothing written\n",
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    const ProgramRun run = run_shell(prelude + row.command + listing);
    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.err, row.err);
    EXPECT_EQ(run.out, row.changed);
  }
}

}  // namespace
}  // namespace tapwright::testing
