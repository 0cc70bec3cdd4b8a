#pragma once
// The MPSSE command processor of an FTDI channel, clocking a simulated JTAG
// chain: the data-shifting commands JTAG uses (TDI written on the falling
// edge, TDO read on the rising edge, LSB first), TMS commands, clock-only
// commands, the GPIO bytes and the clock settings. Pins of the low byte:
// TCK bit 0, TDI bit 1, TDO bit 2, TMS bit 3; a pin that is not an output
// reads high.
//
// Commands are queued as written and executed by run(), which can stop
// after a number of clocks, so that a caller keeping simulated time can
// clock them at the TCK rate. A command may arrive split anywhere: what has
// arrived of it waits, and a long data command clocks its bytes as they come.
//
// A clock is seen by the chain as the bit-bang port's byte pair makes it:
// TMS and TDI take their levels with TCK low, TDO is sampled, TCK rises
// (the chain samples TMS and TDI) and falls (TDO changes). A waveform gets
// two time steps per clock, TCK low then high, so a clock looks the same as
// a bit-bang pair; the falling edge shows with the next step.
#include <cstddef>
#include <cstdint>

#include "sim/byte_queue.hpp"
#include "sim/chain.hpp"
#include "sim/chip_model.hpp"
#include "sim/vcd_writer.hpp"

namespace tapwright::sim {

// Why run() returned.
enum class MpsseStop : std::uint8_t {
  needs_bytes,     // all queued bytes are executed but for an incomplete command
  clock_budget,    // the next clock would pass the budget
  send_immediate,  // a send-immediate (0x87) was just executed
  returned_full,   // the next returned byte would pass the room given
};

struct MpsseRun {
  std::uint64_t clocks = 0;  // TCK clocks made
  MpsseStop stop = MpsseStop::needs_bytes;
};

class MpsseEngine {
 public:
  // Returned bytes go to `returned`. `chip` decides the clock and which
  // commands exist; both it and `chain` must outlive the engine.
  MpsseEngine(Chain& chain, ByteQueue& returned, const ChipModel& chip)
      : chain_(chain), returned_(returned), chip_(chip) {
    reset(0);
  }

  // The engine as the bit mode MPSSE starts it: nothing queued, every pin
  // an input, loopback off, divisor 0, divide-by-5 on where the chip has it.
  // `tck`: the level TCK was left at, which it keeps until driven.
  void reset(int tck);

  // Queues command bytes; run() executes them.
  void write(const std::uint8_t* bytes, std::size_t count);
  // Bytes written and not yet executed.
  std::size_t queued() const { return commands_.size(); }

  // Executes queued commands, making at most `max_clocks` clocks and
  // stopping before a returned byte would leave more than `returned_room`
  // bytes waiting in the returned queue. Commands that make no clock run
  // even with a budget of 0. With `trace`, the waveform gets its steps.
  MpsseRun run(std::uint64_t max_clocks, std::size_t returned_room, VcdWriter* trace);

  // The TCK frequency the clock settings give.
  double tck_hz() const;
  // The low byte's pins as command 0x81 reads them.
  std::uint8_t low_pins() const;
  bool loopback() const { return loopback_; }
  bool divide_by_5() const { return divide_by_5_; }
  bool three_phase() const { return three_phase_; }
  bool adaptive() const { return adaptive_; }

 private:
  // What the clocks of the command under way do with their unit's byte.
  enum class Drive : std::uint8_t { none, tdi, tms };

  int start_command(MpsseRun& result, std::size_t room, VcdWriter* trace);
  int start_unit(MpsseRun& result, std::size_t room);
  void bulk_units(MpsseRun& result, std::uint64_t max_clocks, std::size_t room);
  template <bool traced>
  void clock_unit(std::uint64_t count, VcdWriter* trace);
  void set_low(std::uint8_t value, std::uint8_t direction, VcdWriter* trace);
  void answer(std::uint8_t byte) { *returned_.append(1) = byte; }

  int level(int bit) const { return ((low_value_ | ~low_dir_) >> bit) & 1; }
  int tdi() const { return level(1); }
  int tms() const { return level(3); }
  // TCK reaches the chain only when driven; undriven, it keeps its level.
  bool tck_driven() const { return (low_dir_ & 1) != 0; }
  int sampled_tdo() const { return loopback_ ? tdi() : chain_.tdo(); }
  // The wires as the waveform packs them: TDI, TMS, TCK in bits 0 to 2.
  std::uint8_t wires(int tck) const {
    return static_cast<std::uint8_t>(tdi() | tms() << 1 | tck << 2);
  }
  int first_state() const { return chain_.first_state(); }

  Chain& chain_;
  ByteQueue& returned_;
  const ChipModel& chip_;
  ByteQueue commands_;

  std::uint8_t low_value_ = 0, low_dir_ = 0, high_value_ = 0, high_dir_ = 0;
  int tck_ = 0;  // the level of TCK the chain last saw
  std::uint16_t divisor_ = 0;
  bool loopback_ = false, divide_by_5_ = false, three_phase_ = false, adaptive_ = false;

  // The clocking command under way: units of up to eight clocks, each with
  // a data byte taken as it starts unless `drive_` is none.
  Drive drive_ = Drive::none;
  bool reads_ = false;       // a byte back per unit
  std::uint32_t units_ = 0;  // units not yet started
  int unit_bits_ = 0;        // clocks of each unit
  // The unit under way.
  int bit_ = 0, bits_ = 0;  // clocks made of it, and its length
  std::uint8_t data_ = 0;
  std::uint8_t sampled_ = 0;  // TDO bits, shifted in from bit 7 down
};

}  // namespace tapwright::sim
