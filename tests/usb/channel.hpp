#pragma once
// One channel (interface) of an FTDI chip: its transmit and receive FIFOs,
// its latency timer, its bit mode and the port that the mode puts between
// the FIFOs and the pins, and whether the kernel's serial driver holds it.
#include <cstdint>
#include <string>
#include <vector>

#include "bit_bang_port.hpp"
#include "chip_models.hpp"
#include "mpsse_port.hpp"

namespace tapwright::usb {

inline constexpr std::uint8_t mode_mpsse = 0x02;

class Channel {
 public:
  // `record`: keep every byte the port takes, for the pins file.
  Channel(const ChipModel& model, int index, const std::vector<sim::DeviceSpec>& chain, bool record)
      : model_(model),
        index_(index),
        bit_bang_(chain, tx_, static_cast<std::size_t>(model.rx_fifo), record ? &taken_ : nullptr),
        // The MPSSE command interpreter plugs in here; until it does, a
        // channel in MPSSE mode refuses the bytes written to it.
        mpsse_(nullptr, tx_, static_cast<std::size_t>(model.rx_fifo), record ? &taken_ : nullptr) {}

  char letter() const { return static_cast<char>('A' + index_); }
  const std::string& taken() const { return taken_; }
  // The kernel's serial driver holds the interface until it is detached, as
  // on any Linux machine.
  bool driver_bound = true;

  Port& port() { return mode_ == mode_mpsse ? static_cast<Port&>(mpsse_) : bit_bang_; }
  void run(Picoseconds until) { port().run(until); }
  void stop() {
    bit_bang_.stop();
    mpsse_.stop();
    tx_.clear();
  }

  // The vendor requests, at simulated time `now`. False: a request the
  // chip does not take.
  bool set_bit_mode(std::uint8_t mask, std::uint8_t mode, Picoseconds now) {
    run(now);
    if (mode == mode_mpsse) {
      if (!(model_.mpsse_channels >> index_ & 1)) return false;
      mpsse_.start(now);
    } else if (mode != 0 && !bit_bang_.set_bit_mode(mask, mode)) {
      return false;
    }
    mode_ = mode;
    return true;
  }
  void set_baud(long baud, Picoseconds now) {
    run(now);
    bit_bang_.set_baud(baud);
  }
  void set_latency(int ms) { latency_ = ms * ps_per_ms; }
  int latency_ms() const { return static_cast<int>(latency_ / ps_per_ms); }
  // 1 empties the transmit FIFO, 2 the receive FIFO (the chip's view).
  void purge(int which, Picoseconds now) {
    run(now);
    if (which == 1) tx_.clear();
    if (which == 2) port().clear_returned();
  }

  // The bus side. A packet of `piece` bytes goes in when the transmit FIFO
  // has room for all of it; when it may, if it has not.
  bool takes(std::size_t piece) const { return tx_.size() + piece <= fifo(model_.tx_fifo); }
  Picoseconds when_takes(std::size_t piece) {
    return port().when_taken(tx_.size() + piece - fifo(model_.tx_fifo));
  }
  // Empty when the bytes are taken, else why the channel refuses them.
  std::string accept(const std::uint8_t* data, std::size_t count) {
    if (mode_ == 0) return "bytes written outside bit-bang mode";
    if (mode_ == mode_mpsse && !mpsse_.has_interpreter()) {
      return "MPSSE commands written to channel " + std::string(1, letter()) +
             ", and no MPSSE interpreter is plugged into it yet";
    }
    tx_.insert(tx_.end(), data, data + count);
    return {};
  }
  // A packet goes up at `t` when the receive FIFO holds a full packet's
  // data, a send-immediate asks for it, or the latency timer has run out
  // since the last packet; else not before the time this returns.
  std::size_t payload() const { return static_cast<std::size_t>(model_.packet - 2); }
  bool sends(Picoseconds t) {
    return port().waiting() >= payload() || port().urgent() || t - last_in_packet_ >= latency_;
  }
  Picoseconds when_sends() {
    const std::size_t waiting = port().waiting();
    return std::min(last_in_packet_ + latency_, port().when_returned(payload() - waiting));
  }
  // Fills `packet` (room for payload() + 2) with the modem status and what
  // the receive FIFO holds, nothing with `empty`; the packet's size.
  std::size_t send(std::uint8_t* packet, bool empty, Picoseconds end) {
    packet[0] = 0x01;  // the modem status
    packet[1] = 0x60;
    last_in_packet_ = end;
    return 2 + port().take(packet + 2, empty ? 0 : std::min(port().waiting(), payload()));
  }

  std::vector<std::pair<std::string, long long>> figures() const {
    auto lines = bit_bang_.figures();
    if (model_.mpsse_channels >> index_ & 1) {
      for (auto& line : mpsse_.figures()) lines.push_back(line);
    }
    lines.emplace_back("driver_bound", driver_bound);
    return lines;
  }

 private:
  static std::size_t fifo(int size) { return static_cast<std::size_t>(size); }

  const ChipModel& model_;
  const int index_;
  std::vector<std::uint8_t> tx_;  // the transmit FIFO
  std::string taken_;
  BitBangPort bit_bang_;
  MpssePort mpsse_;
  std::uint8_t mode_ = 0;  // 0 until a bit mode is set
  Picoseconds latency_ = 16 * ps_per_ms;
  Picoseconds last_in_packet_ = 0;
};

}  // namespace tapwright::usb
