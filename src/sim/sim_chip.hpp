#pragma once
// One channel of a simulated FTDI chip with a JTAG chain on its pins: the
// bit-bang port and, where the chip has one, the MPSSE engine, both working
// on the same chain and returning bytes into the same queue, so that the
// chain's state outlives a change of bit mode. Bytes written are executed
// at once; a caller that keeps simulated time drives the engine itself.
#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/bit_bang_port.hpp"
#include "sim/byte_queue.hpp"
#include "sim/chain.hpp"
#include "sim/chip_model.hpp"
#include "sim/mpsse_engine.hpp"
#include "sim/vcd_writer.hpp"

namespace tapwright::sim {

inline constexpr std::uint8_t mode_reset = 0x00;
inline constexpr std::uint8_t mode_mpsse = 0x02;

class SimChip {
 public:
  // `channel`: 0 for A, 1 for B, ...; the model must have it. `pins`: the
  // bit-bang port's wiring.
  explicit SimChip(Chain chain, const ChipModel& model = default_chip, int channel = 0,
                   const PinMap& pins = {})
      : model_(model),
        channel_(channel),
        chain_(std::move(chain)),
        port_(chain_, returned_, pins) {}
  SimChip(const SimChip&) = delete;
  SimChip& operator=(const SimChip&) = delete;

  // Bit mode 0 (reset: bytes written go nowhere), 1 and 4 (asynchronous and
  // synchronous bit-bang, with the direction mask) and 2 (MPSSE, which
  // starts afresh, on a channel that has it): 1. Else 0, nothing changed.
  int set_bit_mode(std::uint8_t mask, std::uint8_t mode);

  // Executes the bytes as the mode has them. Returns the bytes returned for
  // them, valid until the next call. `trace`, when given, gets the steps.
  std::span<const std::uint8_t> apply(const std::uint8_t* bytes, std::size_t count,
                                      VcdWriter* trace);

  // Moves up to `count` returned bytes into `out`, oldest first.
  std::size_t take_returned(std::uint8_t* out, std::size_t count) {
    return returned_.take(out, count);
  }
  std::size_t returned_waiting() const { return returned_.size(); }

  std::uint8_t mode() const { return mode_; }
  const ChipModel& model() const { return model_; }
  int channel() const { return channel_; }
  const Chain& chain() const { return chain_; }
  void set_clock_trace(ClockTrace* trace) { chain_.set_trace(trace); }
  const BitBangPort& bit_bang() const { return port_; }
  MpsseEngine& mpsse() { return mpsse_; }

 private:
  const ChipModel& model_;
  int channel_;
  Chain chain_;
  ByteQueue returned_;
  BitBangPort port_;
  MpsseEngine mpsse_{chain_, returned_, model_};
  std::uint8_t mode_ = mode_reset;
};

}  // namespace tapwright::sim
