#pragma once
// The bit-bang encoding of runs: every clock a byte pair of the clock
// stream, so that a run comes out exactly as the same clocks one by one.
#include "link/cable_link.hpp"
#include "link/clock_stream.hpp"

namespace tapwright {

class BitBangLink final : public CableLink {
 public:
  // `compare` exactly 1: every clock is recorded and read back.
  BitBangLink(ClockStream& stream, DeviceHandle device, int compare)
      : stream_(stream), device_(device), compare_(compare) {}

  int clock_tms(std::uint64_t tms, int count, int tdi) override;
  int clock_held(std::uint64_t count, int tms) override;
  int shift(const ShiftRun& run) override;
  int sync() override { return stream_.tap_sync(device_, compare_); }
  int drain() override { return stream_.tap_flush(device_, compare_); }
  // Without control(), the chip clocks bit-bang bytes at the rate the
  // bring-up set, and the cable has no TRST pin.
  std::uint64_t set_rate(std::uint64_t hz) override;
  int drive_trst(ResetDrive drive) override;
  // Lets the link set the chip's rate and drive the reset lines of `pins`
  // (released at bring-up), in bit-bang mode `mode` at `divisor`.
  void control(Device& device, const PinMap& pins, std::uint8_t mode, std::uint16_t divisor) {
    control_ = &device;
    divisor_ = divisor;
    pins_ = pins;
    mode_ = mode;
    levels_ = pins.released();
    directions_ = pins.outputs();
  }

  std::uint64_t cycles() const override { return stream_.cycles(); }
  std::int64_t mismatch_count() const override { return stream_.mismatch_count(); }
  void set_listener(ReadBackListener* listener) override { stream_.set_listener(listener); }

 private:
  ClockStream& stream_;
  DeviceHandle device_;
  int compare_;
  Device* control_ = nullptr;
  PinMap pins_;
  std::uint8_t mode_ = 0, levels_ = 0, directions_ = 0;
  std::uint16_t divisor_ = 0;
};

}  // namespace tapwright
