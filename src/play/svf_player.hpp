#pragma once
// The back end of tapwright-play: each statement of a full SVF file played
// into the engine (walks, explicit paths, scans with headers and trailers,
// clocks in any stable state, waits timed by the host). Made without an
// engine it plays nothing and only finds the statements it cannot play,
// which is how the whole file is checked before the cable is opened.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "fullsvf/svf_front_end.hpp"
#include "jtag/tap_state.hpp"
#include "link/clock_stream.hpp"
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
  // Waits in seconds are timed and echoed, not sat through (--no-wait).
  bool no_wait = false;
  // Told, many times a second, how long a wait in seconds has to go.
  std::function<void(std::int64_t)> waiting;
};

// The engine on an open cable, after the reset.
struct Engine {
  ClockStream& stream;
  DeviceHandle device;
  TapState state = TapState::run_test_idle;
};

class SvfPlayer final : public fullsvf::SvfBackEnd {
 public:
  // `engine` and `check` null: the first pass. `interrupted`, when set,
  // cuts a long wait or a long run of clocks short.
  SvfPlayer(fullsvf::Diagnostics& diagnostics, const PlaySettings& settings, HostClock& clock,
            Engine* engine, ScanCheck* check, const volatile std::sig_atomic_t* interrupted);

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
  // Clock cycles of the file, counted in the first pass too.
  std::uint64_t clocks() const { return clocks_; }

 private:
  bool playing() const { return engine_ != nullptr && !broken_; }
  int fail();  // the cable failed: 0
  int walk(TapState target);
  int hold(TapState state, std::uint64_t count);
  int wait_ns(std::int64_t ns);
  // Before an instruction or a wait: nothing is played after a scan that
  // failed its compare.
  bool may_go_on();
  void echo_line(int line, const std::string& text);

  fullsvf::Diagnostics& diagnostics_;
  const PlaySettings& settings_;
  HostClock& clock_;
  Engine* engine_;
  ScanCheck* check_;
  const volatile std::sig_atomic_t* interrupted_;
  bool broken_ = false;
  bool told_trst_ = false;
  std::uint64_t clocks_ = 0;
  fullsvf::FoldedBits folded_;
};

}  // namespace tapwright::play
