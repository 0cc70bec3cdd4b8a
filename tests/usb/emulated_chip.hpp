#pragma once
// An FTDI chip as the USB bus sees it, in simulated time: its identity and
// strings, its channels, its vendor control requests, and the faults the
// settings ask for. Nothing sleeps: the bus (usb_bus.hpp) advances a
// virtual clock by what each transfer would take, so a run tells how long
// it would last on the real chip.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bus_settings.hpp"
#include "channel.hpp"
#include "chip_models.hpp"

namespace tapwright::usb {

class EmulatedChip {
 public:
  // The device at `position` on the bus, whose clock is `now`.
  EmulatedChip(const Settings& settings, int position, const Picoseconds& now);
  // Lets the ports clock what they hold, then writes the files the settings
  // name.
  ~EmulatedChip();
  EmulatedChip(const EmulatedChip&) = delete;
  EmulatedChip& operator=(const EmulatedChip&) = delete;

  const ChipModel& model() const { return *model_; }
  std::uint16_t vendor() const { return vendor_; }
  std::uint16_t product() const { return product_; }
  int bus() const { return bus_; }
  int address() const { return address_; }
  // String descriptors 1 to 3: manufacturer, product, serial; empty when
  // the device has none (the serial of a chip without an EEPROM).
  const std::string& text(int index) const { return strings_[index - 1]; }

  int channel_count() const { return static_cast<int>(channels_.size()); }
  Channel& channel(int index) { return *channels_[static_cast<std::size_t>(index)]; }
  bool unplugged() const { return unplug_at_ > 0 && transfers_ >= unplug_at_; }

  // Counts a transfer of kind `kind` (a trace letter) as it starts, and
  // plays the faults due then: false when the device is gone.
  bool begin_transfer(char kind);
  // Every N-th transfer that reads finds nothing ready (gap=N).
  bool gap_at(long transfer) const { return gap_ > 0 && transfer % gap_ == 0; }
  long transfers() const { return transfers_; }
  // A transfer ended in its time-out; `stalled` when the chip could never
  // have taken more without the host reading.
  void timed_out(bool stalled, bool moved);
  void completed() { idle_timeouts_ = 0; }

  // The vendor request's effect, at the end of its control transfer: the
  // bytes of its data stage, or refuses a request it does not model.
  int request(std::uint8_t request_type, std::uint8_t request, std::uint16_t value,
              std::uint16_t index, std::uint8_t* data, std::uint16_t length);

  // Lets the ports clock what they can, then tells, key and value per line:
  // the simulated time at the end of the last transfer or the last byte
  // clocked, bytes clocked, transfers, time-outs and stalls among them, the
  // bit-bang rate, the kernel driver, and the time of a fault and the
  // transfers after it. Keys of channels after A end in :B, :C, :D.
  std::string report();

  // Stops the process with a message: the chip was used in a way it does
  // not model.
  [[noreturn]] void refuse(const std::string& what) const;

  // The bus's schedule for this device: when it next has work, and the
  // round-robin turn of its transfers.
  Picoseconds wake = never;
  long turn = 0;

 private:
  Channel& addressed(std::uint16_t index);
  void set_baud(std::uint16_t value, std::uint16_t index);

  Settings settings_;
  const ChipModel* model_ = nullptr;
  const Picoseconds& now_;
  std::uint16_t vendor_ = 0x0403, product_ = 0;
  int bus_ = 1, address_ = 0;
  std::string strings_[3];
  std::vector<std::unique_ptr<Channel>> channels_;
  long unplug_at_, silent_from_, gap_;
  long transfers_ = 0, after_fault_ = 0, stalls_ = 0, timeouts_ = 0, idle_timeouts_ = 0;
  Picoseconds fault_time_ = -1;
  std::string trace_;
};

// The devices on this process's emulated bus, for tests that drive libftdi1
// themselves: the one at `position`, null when there is none.
EmulatedChip* emulated_chip(int position = 0);

}  // namespace tapwright::usb
