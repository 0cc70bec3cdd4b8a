// The player's statements on the wire (TMS and TDI of every clock), the
// stop after a failed compare, and the timing of waits, against a scripted
// cable and a clock that only moves when slept on.
#include "play/svf_player.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "link/bit_bang_link.hpp"
#include "play/progress_line.hpp"
#include "support/captured_stream.hpp"
#include "support/scripted_device.hpp"

namespace tapwright::play {
namespace {

using testing::ScriptedDevice;

// A clock that moves only when slept on, and wakes early, as real sleeps
// may: half the time asked, plus one nanosecond.
class FakeClock final : public HostClock {
 public:
  std::int64_t now_ns() override { return now; }
  void sleep_ns(std::int64_t ns) override {
    if (on_sleep) on_sleep();
    now += ns / 2 + 1;
  }
  static constexpr std::int64_t start = 1'000'000'000;
  std::int64_t now = start;
  std::function<void()> on_sleep;
};

struct Played {
  std::string tms, tdi;  // one character per clock
  std::vector<ScanFailure> failures;
  int errors = 0;
};

// Plays `text` from Run-Test/Idle into `device` (a chip whose TDO reads 0)
// and reads back everything at the end.
Played play(const std::string& text, int compare, ScriptedDevice& device, HostClock& clock) {
  ClockStream stream(device);
  ScanCheck check;
  stream.set_listener(&check);
  BitBangLink link(stream, testing::scripted_handle(), compare);
  Tap tap(link, compare, TapState::run_test_idle);
  PlaySettings settings;
  settings.compare = compare;
  fullsvf::Diagnostics diagnostics;
  fullsvf::SvfSource source(text);
  fullsvf::SvfFrontEnd front_end(source, diagnostics);
  SvfPlayer player(diagnostics, settings, clock, tap, &check, nullptr);
  while (!player.stopped_at_mismatch() && front_end.next(player)) {
  }
  EXPECT_EQ(tap.sync(), 1);
  Played out;
  out.failures = check.failures();
  out.errors = diagnostics.error_count();
  for (std::size_t i = 0; i + 1 < device.written.size(); i += 2) {
    out.tms += static_cast<char>('0' + ((device.written[i] >> 1) & 1));
    out.tdi += static_cast<char>('0' + (device.written[i] & 1));
  }
  return out;
}

Played play(const std::string& text, int compare = 0) {
  ScriptedDevice device;
  FakeClock clock;
  return play(text, compare, device, clock);
}

// One character per clock; blanks only group the clocks for the reader.
std::string cycles(std::string text) {
  std::erase(text, ' ');
  return text;
}

TEST(SvfPlayer, EachStatementOnTheWire) {
  struct Case {
    const char* name;
    const char* svf;
    const char* tms;
    const char* tdi;  // all zeros when empty
  };
  const Case cases[] = {
      {"RUNTEST in Pause-DR holds TMS 0 and ends where it ran", "RUNTEST DRPAUSE 3 TCK;",
       "1010 000", ""},
      {"RUNTEST in RESET holds TMS 1, then walks to its end state",
       "RUNTEST RESET 2 TCK ENDSTATE IDLE;", "111 11 0", ""},
      {"a path goes on from where a RUNTEST ended",
       "RUNTEST DRPAUSE 1 TCK;\nSTATE DREXIT2 DRUPDATE IDLE;", "1010 0 110", ""},
      {"the run state and end state carry over to the next RUNTEST",
       "RUNTEST DRPAUSE 1 TCK ENDSTATE IDLE;\nRUNTEST 2 TCK;", "1010 0 110 1010 00 110", ""},
      {"a path, one clock per state, after an SIR ending in Pause-IR",
       "ENDIR IRPAUSE;\nSIR 2 TDI (1);\nSTATE IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;",
       "1100 01 0 111010", "0000 10 0 000000"},
      {"RESET in a path is reached with TMS 1", "STATE DRSELECT RESET IDLE;", "1 11 0", ""},
      {"a state repeated in a path takes a clock", "STATE RESET RESET IDLE IDLE;", "111 1 0 0", ""},
      {"a single state is walked to", "STATE IRPAUSE;\nSTATE IRPAUSE;", "11010", ""},
      {"header, scan, then trailer bits", "HIR 2 TDI (3);\nTIR 1 TDI (0);\nSIR 3 TDI (5);",
       "1100 000001 10", "0000 111010 00"},
      {"a scan of no bits goes through Capture without shifting", "SDR 0;", "10 1 10", ""},
      {"TRST ON resets through TMS", "TRST ON;\nTRST OFF;", "111", ""},
      {"ENDDR takes the next SDR to Pause-DR", "ENDDR DRPAUSE;\nSDR 1 TDI (1);", "100 1 0",
       "000 1 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int compare : {0, 1}) {
      const Played p = play(c.svf, compare);
      EXPECT_EQ(p.errors, 0);
      EXPECT_EQ(p.tms, cycles(c.tms));
      EXPECT_EQ(p.tdi, *c.tdi ? cycles(c.tdi) : std::string(p.tms.size(), '0'));
    }
  }
}

TEST(SvfPlayer, NothingOfAnInstructionAfterAFailedCompare) {
  // The chip's TDO reads 0 where the file expects 1s.
  const std::string failing = "SDR 8 TDI (00) TDO (F0) MASK (FF);\n";
  const Played alone = play(failing, 1);
  const Played stopped = play(failing + "SIR 8 TDI (AA);\nRUNTEST 1 SEC;", 1);
  EXPECT_EQ(stopped.tms, alone.tms);
  ASSERT_EQ(stopped.failures.size(), 1u);
  EXPECT_EQ(stopped.failures[0].line, 1);
  EXPECT_EQ(describe(stopped.failures[0]), "SDR 8: TDO mismatch: read 00, expected f0, mask ff");
}

TEST(SvfPlayer, AWaitStartsOnceTheCableHasEveryByteAndLastsAtLeastItsTime) {
  using Transfers = std::vector<std::string>;
  for (int compare : {0, 1}) {
    SCOPED_TRACE(compare);
    ScriptedDevice device;
    FakeClock clock;
    Transfers before_wait;
    clock.on_sleep = [&] {
      if (before_wait.empty()) before_wait = device.transfers();
    };
    play("RUNTEST 5 TCK 1E-3 SEC ENDSTATE DRPAUSE;", compare, device, clock);
    // The five clocks go out (and come back) before the wait; the walk to
    // Pause-DR only after it.
    const Transfers sent = {"write 10", "read 10"};
    EXPECT_EQ(before_wait, Transfers(sent.begin(), sent.begin() + 1 + compare));
    const Transfers all = compare ? Transfers{"write 10", "read 10", "write 8", "read 8"}
                                  : Transfers{"write 10", "write 8"};
    EXPECT_EQ(device.transfers(), all);
    // Without compare mode a millisecond more lets the chip clock out what
    // it still holds.
    const std::int64_t slept = clock.now - FakeClock::start;
    EXPECT_GE(slept, compare ? 1'000'000 : 2'000'000);
    EXPECT_LT(slept, compare ? 2'000'000 : 3'000'000);
  }
}

TEST(SvfPlayer, ACableThatFailedStopsEveryKindOfStatement) {
  for (const char* svf :
       {"SIR 8 TDI (01);", "SDR 0;", "RUNTEST DRPAUSE 2 TCK;", "RUNTEST 1E-3 SEC;",
        "STATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;", "STATE RESET IDLE;", "TRST ON;"}) {
    SCOPED_TRACE(svf);
    ScriptedDevice device;
    device.write_counts = {0};
    ClockStream stream(device);
    ASSERT_EQ(stream.tap_clock(testing::scripted_handle(), 0, 0, 0, 0, 0, 1), 0);
    BitBangLink link(stream, testing::scripted_handle(), 0);
    Tap tap(link, 0, TapState::run_test_idle);
    PlaySettings settings;
    FakeClock clock;
    fullsvf::Diagnostics diagnostics;
    fullsvf::SvfSource source(svf);
    fullsvf::SvfFrontEnd front_end(source, diagnostics);
    SvfPlayer player(diagnostics, settings, clock, tap, nullptr, nullptr);
    EXPECT_EQ(front_end.next(player), 1);
    EXPECT_TRUE(player.broken());
    EXPECT_EQ(clock.now, FakeClock::start) << "no wait after the cable failed";
  }
}

TEST(ProgressLine, AtMostTenTimesASecondAndErasedAtTheEnd) {
  testing::CapturedStream err;
  FakeClock clock;
  std::string drawn;
  {
    ProgressLine line(err.file(), true, clock, "f.svf", 1000, 1'000'000);
    line.update(100, 100);
    EXPECT_EQ(err.text(), "") << "nothing in the first tenth of a second";
    clock.now += 500'000'000;
    line.update(500, 1000);
    drawn = "\rtapwright-play: 50% of f.svf, 1 kclocks at 2 kHz, about 8:19 left";
    EXPECT_EQ(err.flushed(), drawn) << "drawn at once, not left in a buffer";
    clock.now += 50'000'000;
    line.update(600, 1100);
    EXPECT_EQ(err.text(), drawn);
  }
  EXPECT_EQ(err.flushed(), drawn + "\r" + std::string(drawn.size() - 1, ' ') + "\r");
  testing::CapturedStream early;
  { ProgressLine line(early.file(), true, clock, "f.svf", 1000, 2000); }
  EXPECT_EQ(early.text(), "") << "nothing drawn, nothing to erase";
}

}  // namespace
}  // namespace tapwright::play
