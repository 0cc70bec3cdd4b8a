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

}  // namespace tapwright::play
