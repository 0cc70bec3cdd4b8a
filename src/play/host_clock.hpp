#pragma once
// The host's monotonic clock, which times the waits a file gives in
// seconds. An interface, so that the tests can watch a wait without
// sleeping through it.
#include <cstdint>

namespace tapwright::play {

class HostClock {
 public:
  virtual ~HostClock() = default;
  // Nanoseconds on a clock that never goes back.
  virtual std::int64_t now_ns() = 0;
  // Sleeps for about `ns` nanoseconds (possibly less, if interrupted by a
  // signal); the caller checks now_ns() for the time that really passed.
  virtual void sleep_ns(std::int64_t ns) = 0;
};

// steady_clock and the system's sleep.
class SystemClock final : public HostClock {
 public:
  std::int64_t now_ns() override;
  void sleep_ns(std::int64_t ns) override;
};

// A clock whose sleeps only move it forward: for --sim --no-wait, where a
// wait is still checked, timed and echoed, but not sat through.
class SkippingClock final : public HostClock {
 public:
  explicit SkippingClock(HostClock& real) : real_(real) {}
  std::int64_t now_ns() override { return real_.now_ns() + skipped_; }
  void sleep_ns(std::int64_t ns) override { skipped_ += ns > 0 ? ns : 0; }

 private:
  HostClock& real_;
  std::int64_t skipped_ = 0;
};

}  // namespace tapwright::play
