#pragma once
// One line on standard error that says how far a run has come: the share
// of the file, the clocks given, their rate and the time left, or during a
// wait in seconds, how long it has to go. Redrawn at most ten times a
// second, and erased when the run ends.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "play/host_clock.hpp"

namespace tapwright::play {

// "0.25 s", "12:05": a run time as messages show it.
std::string duration_text(double seconds);

class ProgressLine {
 public:
  // Draws nothing unless `enabled`. `total_clocks`: what the first pass
  // counted, for the time left.
  ProgressLine(std::FILE* out, bool enabled, HostClock& clock, std::string name,
               std::uint64_t file_bytes, std::uint64_t total_clocks);
  ~ProgressLine() { erase(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // The device played into, named at the head of the line; empty: none.
  void name_device(std::string label) { device_ = std::move(label); }

  // `wait_left_ns` 0 or more: a wait in seconds has that long to go.
  void update(std::uint64_t bytes_done, std::uint64_t clocks_done, std::int64_t wait_left_ns = -1);
  void erase();
  // What the checking pass estimates the run takes, shown beside the clocks.
  void set_estimate(double seconds) { estimate_s_ = seconds; }
  // The line's last word: the time the run took, beside the estimate.
  void played(double seconds);

 private:
  std::FILE* out_;
  bool enabled_;
  HostClock& clock_;
  std::string name_;
  std::string device_;
  std::uint64_t file_bytes_;
  std::uint64_t total_clocks_;
  std::int64_t start_ns_;
  std::int64_t next_draw_ns_;
  std::size_t drawn_ = 0;  // characters on the line now
  double estimate_s_ = -1;
};

}  // namespace tapwright::play
