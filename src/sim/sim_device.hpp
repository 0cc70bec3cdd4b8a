#pragma once
// The simulated cable: a device back end that runs the six device
// operations against a software FTDI chip (bit-bang, or MPSSE where the
// chip has it) and a virtual JTAG chain, so the player can run with no
// hardware attached. It can record what crosses
// the port (the written and the returned byte streams, a waveform) and can
// be told to fail one operation.
#include <cstdint>
#include <memory>
#include <string>

#include "cli/output_file.hpp"
#include "link/device.hpp"
#include "sim/fault_plan.hpp"
#include "sim/sim_chip.hpp"
#include "sim/sim_options.hpp"
#include "sim/vcd_writer.hpp"

namespace tapwright::sim {

// The simulated chip's serial number.
inline constexpr const char* sim_serial = "TW000001";

class SimDevice final : public Device {
 public:
  // The default chain, nothing recorded, no fault.
  SimDevice();
  ~SimDevice() override;
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  // A fresh chip and chain as `options` describe, its files created: 1; or 0
  // with a one-line reason in `error`, and the device as it was.
  int configure(const SimOptions& options, std::string& error);

  // Only device index 0 exists, and only one handle at a time.
  DeviceStatus open(int index, DeviceHandle* handle) override;
  DeviceStatus close(DeviceHandle handle) override;
  // Only the channel the cable was configured with exists.
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override {
    return channel - 'A' == chip_->channel() ? open(index, handle) : device_error;
  }
  // The one simulated chip, every channel of it, with FTDI's IDs and the
  // chip's own description; only the configured channel opens.
  int list_channels(DeviceList& channels) override;
  DeviceStatus open_listed(const ListedChannel& channel, DeviceHandle* handle) override {
    return channel.serial == sim_serial ? open_channel(0, channel.channel, handle) : device_error;
  }
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override;
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override;
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override;
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override;

  // Puts the capture and VCD files in place (the destructor does it too).
  // A file that could not be completely written is not, so that nothing
  // truncated is left under its name; a waveform stopped at its size limit
  // is, a valid VCD file up to that point. Afterwards output_error() tells
  // whether everything was written.
  void finish();
  // Drops every capture and VCD file, for a run that did not come to its
  // end: their names are left as they were.
  void remove_outputs();
  // Empty, or a one-line reason when a capture or VCD file could not be
  // fully written or the waveform reached its size limit.
  std::string output_error() const;

  // For tests and diagnostics.
  const SimChip& chip() const { return *chip_; }
  const Chain& chain() const { return chip_->chain(); }
  bool is_open() const { return open_; }

 private:
  bool valid(DeviceHandle handle) const { return open_ && handle == this; }
  // Puts `file` in place, or records why it could not be.
  bool settle(cli::OutputFile& file);

  std::unique_ptr<SimChip> chip_;
  FaultPlan fault_;
  cli::OutputFile capture_out_;
  cli::OutputFile capture_in_;
  std::unique_ptr<ClockTrace> clocks_;
  std::unique_ptr<VcdWriter> vcd_;  // held apart: its buffer is large
  std::string output_error_;
  bool open_ = false;
  std::uint64_t open_calls_ = 0;
  std::uint64_t write_calls_ = 0;
  std::uint64_t read_calls_ = 0;
};

}  // namespace tapwright::sim
