#pragma once
// A link that clocks nothing and only counts: what a file costs in clocks,
// found by playing it into this instead of a cable.
#include "link/cable_link.hpp"
#include "link/cable_rate.hpp"

namespace tapwright {

class CountingLink final : public CableLink {
 public:
  CountingLink() = default;
  // Also times the clocks at the rates `cable` would set, starting at
  // `start_hz` (0: its fastest).
  CountingLink(const CableRow& cable, std::uint64_t start_hz) : cable_(&cable) {
    set_rate(start_hz ? start_hz : cable.max_hz);
  }

  int clock_tms(std::uint64_t, int count, int) override { return add(count); }
  int clock_held(std::uint64_t count, int) override { return add(count); }
  int shift(const ShiftRun& run) override { return add(run.bits > 0 ? run.bits : 0); }
  int sync() override { return 1; }
  int drain() override { return add(1); }
  std::uint64_t set_rate(std::uint64_t hz) override {
    if (!cable_) return hz;
    rate_hz_ = cable_rate(*cable_, hz);
    return rate_hz_;
  }
  // What the clocks take at the rates set, in seconds.
  double clock_seconds() const { return seconds_; }

  std::uint64_t cycles() const override { return cycles_; }
  std::int64_t mismatch_count() const override { return 0; }
  void set_listener(ReadBackListener*) override {}

 private:
  template <typename N>
  int add(N n) {
    cycles_ += static_cast<std::uint64_t>(n);
    if (rate_hz_) seconds_ += static_cast<double>(n) / static_cast<double>(rate_hz_);
    return 1;
  }
  const CableRow* cable_ = nullptr;
  std::uint64_t rate_hz_ = 0;
  double seconds_ = 0;
  std::uint64_t cycles_ = 0;
};

}  // namespace tapwright
