#pragma once
// Devices in series: TDI enters the first, each device's TDO feeds the next,
// TDO leaves the last. All sample on the same rising edge, each taking the
// level its neighbour drove since the falling edge before.
#include <cstddef>
#include <vector>

#include "sim/clock_trace.hpp"
#include "sim/tap_device.hpp"

namespace tapwright::sim {

class Chain {
 public:
  Chain() = default;
  explicit Chain(const std::vector<DeviceSpec>& specs) {
    devices_.reserve(specs.size());
    for (const DeviceSpec& spec : specs) devices_.emplace_back(spec);
  }

  void rising_edge(int tms, int tdi) {
    if (trace_) trace_->edge(tms, tdi);
    // TDO levels change only on falling edges, so updating in place from the
    // TDI end reads each neighbour's level from before this edge.
    int in = tdi;
    for (TapDevice& device : devices_) {
      const int out = device.tdo();
      device.rising_edge(tms, in);
      in = out;
    }
  }

  void falling_edge() {
    for (TapDevice& device : devices_) device.falling_edge();
  }

  // The TDO line: the last device's, or high (pulled up) with no device.
  int tdo() const { return devices_.empty() ? 1 : devices_.back().tdo(); }

  // The first device's state code, for waveforms (0 with no device).
  int first_state() const {
    return devices_.empty() ? 0 : controller_code(devices_.front().state());
  }

  bool empty() const { return devices_.empty(); }
  // Nothing sees its edges: no device and no trace, so that a port may
  // skip them.
  bool inert() const { return devices_.empty() && !trace_; }
  void set_trace(ClockTrace* trace) { trace_ = trace; }
  std::size_t size() const { return devices_.size(); }
  // Device `k`, counted from the TDI end.
  const TapDevice& device(std::size_t k) const { return devices_.at(k); }

 private:
  std::vector<TapDevice> devices_;
  ClockTrace* trace_ = nullptr;
};

}  // namespace tapwright::sim
