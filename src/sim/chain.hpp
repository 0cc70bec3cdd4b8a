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
    if (!devices_.empty() && devices_.front().state() == ControllerState::update_dr) share_data();
  }

  void falling_edge() {
    for (TapDevice& device : devices_) device.falling_edge();
  }

  // The TDO line: the last device's, or high (pulled up) with no device;
  // held at `level` from now on after stick_tdo.
  int tdo() const { return ((devices_.empty() ? 1 : devices_.back().tdo()) & keep_) | force_; }
  void stick_tdo(int level) {
    keep_ = 0;
    force_ = level & 1;
  }

  // The first device's state code, for waveforms (0 with no device).
  int first_state() const {
    return devices_.empty() ? 0 : controller_code(devices_.front().state());
  }

  bool empty() const { return devices_.empty(); }
  // Nothing sees its edges and TDO reads high: no device, no trace, no
  // stuck line, so that a port may skip them.
  bool inert() const { return devices_.empty() && !trace_ && keep_ == 1; }
  void set_trace(ClockTrace* trace) { trace_ = trace; }
  std::size_t size() const { return devices_.size(); }
  // Device `k`, counted from the TDI end.
  const TapDevice& device(std::size_t k) const { return devices_.at(k); }

 private:
  // A scratch register keeps what is left for it once the other devices'
  // registers have their bits, as a real register of that length would;
  // with two scratch registers selected, which bits are whose is unknown.
  void share_data() {
    TapDevice* scratch = nullptr;
    std::size_t others = 0;
    for (TapDevice& device : devices_) {
      const int length = device.fixed_dr_length();
      if (length == 0 && scratch) return;
      if (length == 0) scratch = &device;
      others += static_cast<std::size_t>(length);
    }
    if (scratch) scratch->pass_on(others);
  }

  std::vector<TapDevice> devices_;
  // A stuck line, without a branch on the path of every clock.
  int keep_ = 1;
  int force_ = 0;
  ClockTrace* trace_ = nullptr;
};

}  // namespace tapwright::sim
