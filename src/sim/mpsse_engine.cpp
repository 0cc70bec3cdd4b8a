#include "sim/mpsse_engine.hpp"

#include <algorithm>
#include <cstring>

namespace tapwright::sim {

namespace {

// The chip's answer to a command it does not know, followed by the command.
constexpr std::uint8_t bad_command = 0xFA;

struct CommandShape {
  std::uint8_t length;   // bytes, the opcode and its parameters (data not counted)
  std::uint8_t answers;  // bytes returned at once
};

CommandShape shape_of(std::uint8_t op, bool h_chip) {
  switch (op) {
    case 0x19:
    case 0x39:
    case 0x8F:
    case 0x80:
    case 0x82:
    case 0x86:
      return {3, 0};
    case 0x1B:
    case 0x3B:
    case 0x4B:
    case 0x6B:
    case 0x8E:
      return {2, 0};
    case 0x81:
    case 0x83:
      return {1, 1};
    case 0x84:
    case 0x85:
    case 0x87:
      return {1, 0};
    case 0x8A:
    case 0x8B:
    case 0x8C:
    case 0x8D:
    case 0x96:
    case 0x97:
      if (h_chip) return {1, 0};
      break;
    default:
      break;
  }
  return {1, 2};  // a bad command
}

}  // namespace

void MpsseEngine::reset(int tck) {
  commands_.clear();
  tck_ = tck;
  low_value_ = low_dir_ = high_value_ = high_dir_ = 0;
  divisor_ = 0;
  loopback_ = three_phase_ = adaptive_ = false;
  divide_by_5_ = chip_.h_chip();
  units_ = 0;
  bit_ = bits_ = 0;
}

void MpsseEngine::write(const std::uint8_t* bytes, std::size_t count) {
  if (count > 0) std::memcpy(commands_.append(count), bytes, count);
}

MpsseRun MpsseEngine::run(std::uint64_t max_clocks, std::size_t room, VcdWriter* trace) {
  MpsseRun result;
  while (true) {
    if (bit_ < bits_) {
      const std::uint64_t left = max_clocks - result.clocks;
      if (left == 0) {
        result.stop = MpsseStop::clock_budget;
        return result;
      }
      const std::uint64_t count = std::min<std::uint64_t>(left, bits_ - bit_);
      if (trace) {
        clock_unit<true>(count, trace);
      } else {
        clock_unit<false>(count, nullptr);
      }
      result.clocks += count;
      if (bit_ == bits_ && reads_) answer(sampled_);
    } else if (units_ > 0) {
      if (!trace) bulk_units(result, max_clocks, room);
      if (units_ > 0 && !start_unit(result, room)) return result;
    } else if (!start_command(result, room, trace)) {
      return result;
    }
  }
}

int MpsseEngine::start_command(MpsseRun& result, std::size_t room, VcdWriter* trace) {
  if (commands_.size() == 0) {
    result.stop = MpsseStop::needs_bytes;
    return 0;
  }
  const std::uint8_t* bytes = commands_.front();
  const std::uint8_t op = bytes[0];
  const CommandShape shape = shape_of(op, chip_.h_chip());
  if (commands_.size() < shape.length) {
    result.stop = MpsseStop::needs_bytes;
    return 0;
  }
  if (returned_.size() + shape.answers > room) {
    result.stop = MpsseStop::returned_full;
    return 0;
  }
  const std::uint8_t first = shape.length > 1 ? bytes[1] : 0;
  const std::uint8_t second = shape.length > 2 ? bytes[2] : 0;
  const std::uint32_t word = first | static_cast<std::uint32_t>(second) << 8;
  commands_.drop(shape.length);
  if (shape.answers == 2) {
    answer(bad_command);
    answer(op);
    return 1;
  }
  // A clocking command: how its units are driven, whether each returns a
  // byte, how many there are and their length.
  const auto clocking = [this](Drive drive, bool reads, std::uint32_t units, int bits) {
    drive_ = drive;
    reads_ = reads;
    units_ = units;
    unit_bits_ = bits;
  };
  switch (op) {
    case 0x19:
    case 0x39:
      clocking(Drive::tdi, op == 0x39, word + 1, 8);
      break;
    case 0x1B:
    case 0x3B:
      clocking(Drive::tdi, op == 0x3B, 1, (first & 7) + 1);
      break;
    case 0x4B:
    case 0x6B:
      clocking(Drive::tms, op == 0x6B, 1, (first & 7) + 1);
      break;
    case 0x8E:
      clocking(Drive::none, false, 1, (first & 7) + 1);
      break;
    case 0x8F:
      clocking(Drive::none, false, word + 1, 8);
      break;
    case 0x80:
      set_low(first, second, trace);
      break;
    case 0x82:
      high_value_ = first;
      high_dir_ = second;
      break;
    case 0x81:
      answer(low_pins());
      break;
    case 0x83:
      answer(static_cast<std::uint8_t>(high_value_ | ~high_dir_));
      break;
    case 0x84:
    case 0x85:
      loopback_ = op == 0x84;
      break;
    case 0x86:
      divisor_ = static_cast<std::uint16_t>(word);
      break;
    case 0x87:
      result.stop = MpsseStop::send_immediate;
      return 0;
    case 0x8A:
    case 0x8B:
      divide_by_5_ = op == 0x8B;
      break;
    case 0x8C:
    case 0x8D:
      three_phase_ = op == 0x8C;
      break;
    case 0x96:
    case 0x97:
      adaptive_ = op == 0x96;
      break;
    default:
      break;
  }
  return 1;
}

int MpsseEngine::start_unit(MpsseRun& result, std::size_t room) {
  if (reads_ && returned_.size() >= room) {
    result.stop = MpsseStop::returned_full;
    return 0;
  }
  if (drive_ != Drive::none) {
    if (commands_.size() == 0) {
      result.stop = MpsseStop::needs_bytes;
      return 0;
    }
    data_ = *commands_.front();
    commands_.drop(1);
  }
  --units_;
  bit_ = 0;
  bits_ = unit_bits_;
  sampled_ = 0;
  return 1;
}

// With nothing on the chain to clock (no device, or TCK not driven), whole
// units of eight clocks cost only their bytes: TDO stays at one level, or in
// loopback reads the TDI bits themselves.
void MpsseEngine::bulk_units(MpsseRun& result, std::uint64_t max_clocks, std::size_t room) {
  if ((tck_driven() && !chain_.inert()) || unit_bits_ != 8 || drive_ == Drive::tms) return;
  std::uint64_t n = std::min<std::uint64_t>(units_, (max_clocks - result.clocks) / 8);
  if (drive_ == Drive::tdi) n = std::min<std::uint64_t>(n, commands_.size());
  if (reads_) n = std::min<std::uint64_t>(n, room > returned_.size() ? room - returned_.size() : 0);
  if (n == 0) return;
  const std::uint8_t* data = commands_.front();
  const auto count = static_cast<std::size_t>(n);
  if (reads_) {
    std::uint8_t* out = returned_.append(count);
    if (loopback_ && (low_dir_ & 2)) {
      std::memcpy(out, data, count);
    } else {
      std::memset(out, sampled_tdo() ? 0xFF : 0x00, count);
    }
  }
  if (drive_ == Drive::tdi) {
    low_value_ = static_cast<std::uint8_t>((low_value_ & ~2u) | ((data[count - 1] >> 6) & 2u));
    commands_.drop(count);
  }
  units_ -= static_cast<std::uint32_t>(count);
  result.clocks += 8 * n;
  if (tck_driven()) tck_ = 0;
}

template <bool traced>
void MpsseEngine::clock_unit(std::uint64_t count, VcdWriter* trace) {
  const bool clocked = tck_driven();
  if (clocked && tck_) {
    // TCK left high by 0x80 falls before the first clock.
    chain_.falling_edge();
    tck_ = 0;
  }
  // TDI of a TMS command holds bit 7 of its byte throughout.
  if (drive_ == Drive::tms) {
    low_value_ = static_cast<std::uint8_t>((low_value_ & ~2u) | ((data_ >> 6) & 2u));
  }
  // The pin the unit's bits go to; the rest is held in locals, which the
  // chain's stores cannot be taken to change.
  const bool drives = drive_ != Drive::none;
  const unsigned pin = drive_ == Drive::tms ? 3 : 1;
  const unsigned undriven = ~low_dir_ & 0xFFu;
  unsigned value = low_value_, sampled = sampled_;
  int bit = bit_;
  for (std::uint64_t i = 0; i < count; ++i, ++bit) {
    if (drives) value = (value & ~(1u << pin)) | ((data_ >> bit) & 1u) << pin;
    const unsigned levels = value | undriven;
    const int tms = (levels >> 3) & 1, tdi = (levels >> 1) & 1;
    if constexpr (traced) {
      low_value_ = static_cast<std::uint8_t>(value);
      trace->step(wires(clocked ? 0 : tck_), chain_.tdo(), first_state());
    }
    sampled = sampled >> 1 | static_cast<unsigned>(loopback_ ? tdi : chain_.tdo()) << 7;
    if (clocked) chain_.rising_edge(tms, tdi);
    if constexpr (traced) trace->step(wires(clocked ? 1 : tck_), chain_.tdo(), first_state());
    if (clocked) chain_.falling_edge();
  }
  low_value_ = static_cast<std::uint8_t>(value);
  sampled_ = static_cast<std::uint8_t>(sampled);
  bit_ = bit;
}

void MpsseEngine::set_low(std::uint8_t value, std::uint8_t direction, VcdWriter* trace) {
  low_value_ = value;
  low_dir_ = direction;
  // A driven TCK moved by hand is an edge like any other.
  if (tck_driven() && (value & 1) != tck_) {
    tck_ = value & 1;
    if (tck_) {
      chain_.rising_edge(tms(), tdi());
    } else {
      chain_.falling_edge();
    }
  }
  if (trace && wires(tck_) != trace->pins()) trace->step(wires(tck_), chain_.tdo(), first_state());
}

std::uint8_t MpsseEngine::low_pins() const {
  // Inputs are pulled up, but for TDO, which the chain drives.
  const auto inputs = static_cast<std::uint8_t>(0xFBu | static_cast<unsigned>(sampled_tdo()) << 2);
  return static_cast<std::uint8_t>((low_value_ & low_dir_) | (inputs & ~low_dir_));
}

double MpsseEngine::tck_hz() const {
  const double base = chip_.h_chip() && !divide_by_5_ ? 60e6 : 12e6;
  return base / ((three_phase_ ? 3.0 : 2.0) * (1.0 + divisor_));
}

}  // namespace tapwright::sim
