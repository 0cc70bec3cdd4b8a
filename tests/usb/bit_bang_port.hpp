#pragma once
// A channel's bit-bang port in simulated time: one byte of the transmit FIFO
// goes on the pins per baud period, driving the simulated chain; in
// synchronous mode only when the receive FIFO has room for the byte's
// sample, so that a write nobody reads stalls as on the real chip.
#include <algorithm>

#include "port.hpp"
#include "sim/bit_bang_chip.hpp"
#include "sim/chain_description.hpp"

namespace tapwright::usb {

class BitBangPort final : public Port {
 public:
  BitBangPort(const std::vector<sim::DeviceSpec>& chain, std::vector<std::uint8_t>& tx,
              std::size_t rx_fifo, std::string* record)
      : Port(tx, rx_fifo, record), chip_(sim::Chain(chain)) {}

  bool set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
    return chip_.set_bit_mode(mask, mode) != 0;
  }
  long baud() const { return baud_; }
  void set_baud(long baud) {
    baud_ = baud;
    byte_time_ = 1'000'000'000'000 / baud;
  }
  Picoseconds drain(Picoseconds now) override {
    if (const Picoseconds last = when_clocked(tx_.size()); last != never) run(last);
    return tx_.empty() ? std::max(now, port_next_) : now;
  }

  // Clocks every byte due by `until`, one per byte time.
  void run(Picoseconds until) override {
    while (port_next_ <= until && !stopped()) {
      const std::size_t room = sync() ? rx_fifo_ - chip_.returned_waiting() : tx_.size();
      const auto due = static_cast<std::size_t>((until - port_next_) / byte_time_ + 1);
      const std::size_t count = std::min({tx_.size(), room, due});
      if (count == 0) {
        port_next_ = until;  // idle until now
        return;
      }
      chip_.apply(tx_.data(), count, nullptr);
      clocked_ += static_cast<long>(count);
      consume(count);
      port_next_ += static_cast<Picoseconds>(count) * byte_time_;
    }
  }
  Picoseconds when_taken(std::size_t count) const override { return when_clocked(count); }
  Picoseconds when_returned(std::size_t count) const override {
    return sync() ? when_clocked(count) : never;
  }
  std::size_t waiting() const override { return stopped() ? 0 : chip_.returned_waiting(); }
  std::size_t take(std::uint8_t* out, std::size_t count) override {
    return chip_.take_returned(out, count);
  }
  void clear_returned() override {
    std::uint8_t sink[256];
    while (chip_.take_returned(sink, sizeof sink) > 0) {
    }
  }
  std::vector<std::pair<std::string, long long>> figures() const override {
    return {{"clocked", clocked_}, {"baud", baud_}};
  }

 private:
  bool sync() const { return chip_.mode() == mode_sync_bitbang; }

  // The time the port clocks the `count`-th byte from now, or never when the
  // transmit FIFO does not hold it or a synchronous port will find no room
  // for its sample.
  Picoseconds when_clocked(std::size_t count) const {
    if (count == 0) return port_next_;
    if (stopped() || tx_.size() < count) return never;
    if (sync() && rx_fifo_ - chip_.returned_waiting() < count) return never;
    return port_next_ + static_cast<Picoseconds>(count - 1) * byte_time_;
  }

  sim::BitBangChip chip_;
  long baud_ = 9600;
  Picoseconds byte_time_ = 1'000'000'000'000 / 9600;  // one bit-bang byte
  Picoseconds port_next_ = 0;                         // when the port may clock its next byte
  long clocked_ = 0;
};

}  // namespace tapwright::usb
