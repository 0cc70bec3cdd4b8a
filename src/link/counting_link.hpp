#pragma once
// A link that clocks nothing and only counts: what a file costs in clocks,
// found by playing it into this instead of a cable.
#include "link/cable_link.hpp"

namespace tapwright {

class CountingLink final : public CableLink {
 public:
  int clock_tms(std::uint64_t, int count, int) override { return add(count); }
  int clock_held(std::uint64_t count, int) override { return add(count); }
  int shift(const ShiftRun& run) override { return add(run.bits > 0 ? run.bits : 0); }
  int sync() override { return 1; }
  int drain() override { return add(1); }
  std::uint64_t set_rate(std::uint64_t hz) override { return hz; }

  std::uint64_t cycles() const override { return cycles_; }
  std::int64_t mismatch_count() const override { return 0; }
  void set_listener(ReadBackListener*) override {}

 private:
  template <typename N>
  int add(N n) {
    cycles_ += static_cast<std::uint64_t>(n);
    return 1;
  }
  std::uint64_t cycles_ = 0;
};

}  // namespace tapwright
