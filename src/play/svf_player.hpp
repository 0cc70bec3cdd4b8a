#pragma once
// The back end of tapwright-play: each statement of a full SVF file played
// into the TAP object (walks, explicit paths, scans with headers and
// trailers, clocks in any stable state, waits timed by the host). The
// checking pass plays the whole file the same way into a TAP object over a
// link that only counts, before the cable is opened: it finds every
// statement that cannot be played, and what the file costs in clocks and
// waits.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "fullsvf/svf_front_end.hpp"
#include "jtag/tap.hpp"
#include "link/cable_table.hpp"
#include "play/host_clock.hpp"
#include "play/scan_check.hpp"

namespace tapwright::play {

struct PlaySettings {
  int compare = 0;  // read TDO back and compare it
  int verbose = 0;  // echo each statement on `echo`
  bool keep_going = false;
  std::string name;  // the file, as messages name it
  std::FILE* echo = nullptr;
  // Without compare mode a chip may still be clocking out what it was
  // sent when the write returns; every timed wait is made this much longer.
  std::int64_t unconfirmed_margin_ns = 1'000'000;
  // The TCK rates a FREQUENCY may set: at most `max_hz`, and not below
  // `min_hz`, which the cable cannot make; `start_hz` is the rate without
  // one. All 0 for a cable that keeps its own rate.
  std::uint64_t start_hz = 0, max_hz = 0, min_hz = 0;
  // The cable chosen: the checking pass times the clocks at its rates.
  const CableRow* cable = nullptr;
  // The cable drives a TRST pin, which SVF's TRST sets.
  bool trst_pin = false;
  // Waits in seconds are timed and echoed, not sat through (--no-wait).
  bool no_wait = false;
  // Told, many times a second, how long a wait in seconds has to go.
  std::function<void(std::int64_t)> waiting;
};

// The checking pass reports notes and neither echoes nor waits; the
// playing pass echoes, waits and stops at a failed compare.
enum class Pass { check, play };

class SvfPlayer final : public fullsvf::SvfBackEnd {
 public:
  // `check`, when set, is told of the compared scans. `interrupted`, when
  // set, cuts a long wait or a long run of clocks short.
  SvfPlayer(fullsvf::Diagnostics& diagnostics, const PlaySettings& settings, HostClock& clock,
            Tap& tap, ScanCheck* check, const volatile std::sig_atomic_t* interrupted,
            Pass pass = Pass::play);

  void scan(const fullsvf::ScanCommand& c) override;
  void runtest(const fullsvf::RuntestCommand& c) override;
  void state(const fullsvf::StateCommand& c) override;
  void end_state(const fullsvf::EndStateCommand& c) override;
  void trst(const fullsvf::TrstCommand& c) override;
  void frequency(const fullsvf::FrequencyCommand& c) override;
  void unsupported(const fullsvf::Statement& s) override;

  // The run cannot go on: a write or read of the cable fell short, or a
  // wait or a run of clocks was interrupted.
  bool broken() const { return broken_; }
  // A compared scan differed and the run stops at it (not --keep-going).
  bool stopped_at_mismatch() const {
    return check_ && !settings_.keep_going && check_->failed_scans() > 0;
  }
  // Reads back every compared scan still waiting; 0 when the cable failed.
  int settle();
  // Clocks given so far, the reset's included.
  std::uint64_t clocks() const { return tap_.link().cycles(); }
  // The waits in seconds so far, as written.
  std::uint64_t wait_ns() const { return wait_ns_; }

 private:
  bool checking() const { return pass_ == Pass::check; }
  int fail();  // the cable failed: 0
  // Each 0 once the cable failed, and nothing more is clocked after that.
  int walk(TapState target);
  int step(TapState next);
  int hold(std::uint64_t count);
  int shift(const ShiftRun& run);
  int wait_ns(std::int64_t ns);
  // Before an instruction or a wait: nothing is played after a scan that
  // failed its compare.
  bool may_go_on();
  void echo_line(int line, const std::string& text);
  void drive_trst(const fullsvf::TrstCommand& c);

  fullsvf::Diagnostics& diagnostics_;
  const PlaySettings& settings_;
  HostClock& clock_;
  Tap& tap_;
  ScanCheck* check_;
  const volatile std::sig_atomic_t* interrupted_;
  Pass pass_;
  bool broken_ = false;
  bool told_trst_ = false;
  std::uint64_t wait_ns_ = 0;
  fullsvf::FoldedBits folded_;
};

}  // namespace tapwright::play
