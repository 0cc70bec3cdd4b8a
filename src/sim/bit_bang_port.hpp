#pragma once
// The USB chip's bit-bang port: bytes written set the driven pins one after
// the other, TCK edges clock the chain, and in synchronous mode every byte
// written yields one byte of pin levels, sampled just before the byte is
// applied and kept until read. Only TCK edges do work, so a byte costs a
// few instructions, and with no device on the chain hardly anything. The
// chain and the returned bytes belong to the chip, which has other modes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/device.hpp"
#include "link/pin_map.hpp"
#include "sim/byte_queue.hpp"
#include "sim/chain.hpp"
#include "sim/vcd_writer.hpp"

namespace tapwright::sim {

class BitBangPort {
 public:
  // Both must outlive the port. `pins`: which bit carries each JTAG signal.
  BitBangPort(Chain& chain, ByteQueue& returned, const PinMap& pins = {})
      : chain_(chain),
        returned_(returned),
        tck_(static_cast<std::uint8_t>(1u << pins.tck)),
        tms_at_(static_cast<std::uint8_t>(pins.tms)),
        tdi_at_(static_cast<std::uint8_t>(pins.tdi)),
        tdo_at_(static_cast<std::uint8_t>(pins.tdo)),
        outputs_(pins.outputs()),
        driven_(outputs_) {}

  // Modes 1 (asynchronous) and 4 (synchronous bit-bang) with the direction
  // mask: 1. Any other mode: 0, and nothing changes.
  int set_bit_mode(std::uint8_t mask, std::uint8_t mode);

  // Puts the bytes on the pins in order. Returns the bytes returned for them
  // (synchronous mode; empty otherwise), valid until the next call. Before
  // a bit mode is set the port is no bit-bang port: bytes leave the pins
  // alone. `trace`, when given, records one time step per byte applied.
  std::span<const std::uint8_t> apply(const std::uint8_t* bytes, std::size_t count,
                                      VcdWriter* trace);

  std::uint8_t mode() const { return mode_; }
  // The levels of TDI, TMS and TCK (bits 0 to 2), wherever they are wired.
  std::uint8_t pins() const { return wires(pins_); }

 private:
  template <bool sync, bool traced>
  void run(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out, VcdWriter* trace);
  void run_without_devices(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out);

  // The level of a pin the direction mask leaves undriven: pulled up.
  std::uint8_t level(std::uint8_t byte) const {
    return static_cast<std::uint8_t>(((byte & driven_) | ~driven_) & outputs_);
  }
  std::uint8_t wires(std::uint8_t pins) const {
    return static_cast<std::uint8_t>(((pins >> tdi_at_) & 1u) | ((pins >> tms_at_) & 1u) << 1 |
                                     ((pins & tck_) ? pin_tck : 0u));
  }

  Chain& chain_;
  ByteQueue& returned_;
  std::uint8_t tck_;  // TCK's bit
  std::uint8_t tms_at_, tdi_at_, tdo_at_;
  std::uint8_t outputs_;   // the pins the wiring drives
  std::uint8_t mode_ = 0;  // 0: no bit mode set yet
  std::uint8_t driven_;
  std::uint8_t pins_ = 0;
};

}  // namespace tapwright::sim
