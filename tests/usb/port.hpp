#pragma once
// What drains a channel's transmit FIFO onto its pins and fills its receive
// FIFO, in simulated time: the bit-bang port or the MPSSE engine. The bus
// asks it when the FIFOs will let the next packet through, so that it can
// skip the slots in between.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chip_models.hpp"

namespace tapwright::usb {

class Port {
 public:
  // `tx` is the channel's transmit FIFO, `rx_fifo` the size of its receive
  // FIFO; every byte taken from `tx` is appended to `record` unless null.
  Port(std::vector<std::uint8_t>& tx, std::size_t rx_fifo, std::string* record)
      : tx_(tx), rx_fifo_(rx_fifo), record_(record) {}
  virtual ~Port() = default;
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // Works through what is due by `until`.
  virtual void run(Picoseconds until) = 0;
  // The time by which `count` more bytes will have left the transmit FIFO,
  // or never when that needs the host first. It may be early, never late.
  virtual Picoseconds when_taken(std::size_t count) const = 0;
  // The same for `count` more bytes in the receive FIFO.
  virtual Picoseconds when_returned(std::size_t count) const = 0;
  // Bytes in the receive FIFO; moving them out.
  virtual std::size_t waiting() const = 0;
  virtual std::size_t take(std::uint8_t* out, std::size_t count) = 0;
  virtual void clear_returned() = 0;
  // Works through all it can without the host, and tells when it is done:
  // `now` at least, or `now` when it waits for the host.
  virtual Picoseconds drain(Picoseconds now) = 0;
  // True while a send-immediate asks for the receive FIFO to go up at once.
  virtual bool urgent() const { return false; }
  // Report lines: key, value.
  virtual std::vector<std::pair<std::string, long long>> figures() const = 0;

  // Stops for good: the port does nothing more (a silent chip).
  void stop() { stopped_ = true; }
  bool stopped() const { return stopped_; }

 protected:
  // Removes the first `count` bytes of the transmit FIFO.
  void consume(std::size_t count) {
    if (record_) record_->append(tx_.begin(), tx_.begin() + static_cast<std::ptrdiff_t>(count));
    tx_.erase(tx_.begin(), tx_.begin() + static_cast<std::ptrdiff_t>(count));
  }

  std::vector<std::uint8_t>& tx_;
  const std::size_t rx_fifo_;

 private:
  std::string* const record_;
  bool stopped_ = false;
};

}  // namespace tapwright::usb
