#include "link/mpsse_link.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "link/hex_digits.hpp"
#include "link/mpsse_commands.hpp"
#include "link/mpsse_setup.hpp"

namespace tapwright {

namespace {

// Bytes kept free at the end of every block: a read of the pins and the
// send-immediate that follows it.
constexpr int reserved_bytes = 2;
constexpr int usable_bytes = MpsseLink::block_bytes - reserved_bytes;

// Digit `k` counted from the end of `text`, or `missing` before its start.
inline unsigned digit_from_end(std::string_view text, std::int64_t k, unsigned missing) {
  const auto size = static_cast<std::int64_t>(text.size());
  return k < size ? hex_digit_values[static_cast<unsigned char>(
                        text[static_cast<std::size_t>(size - 1 - k)])]
                  : missing;
}

// Bits 8k to 8k + 7 of a value.
inline std::uint8_t value_byte(std::string_view digits, std::int64_t k) {
  return static_cast<std::uint8_t>(digit_from_end(digits, 2 * k, 0) |
                                   digit_from_end(digits, 2 * k + 1, 0) << 4);
}

inline unsigned value_bit(std::string_view digits, std::int64_t i) {
  return (digit_from_end(digits, i / 4, 0) >> (i % 4)) & 1u;
}

// The eight TDO bits of a byte-mode read, first clocked first, as bytes.
constexpr std::array<std::uint64_t, 256> make_unpacked() {
  std::array<std::uint64_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    std::uint64_t bits = 0;
    for (unsigned b = 0; b < 8; ++b) {
      const std::uint64_t bit = (byte >> b) & 1u;
      if constexpr (std::endian::native == std::endian::little) {
        bits |= bit << (8 * b);
      } else {
        bits |= bit << (8 * (7 - b));
      }
    }
    table[byte] = bits;
  }
  return table;
}
constexpr std::array<std::uint64_t, 256> unpacked = make_unpacked();

}  // namespace

int MpsseLink::room(int bytes) {
  if (broken_) return 0;
  if (out_len_ + bytes <= usable_bytes) return 1;
  return flush(false);
}

int MpsseLink::clock_tms(std::uint64_t tms, int count, int tdi) {
  while (count > 0) {
    const int n = std::min(count, mpsse::max_tms_clocks);
    if (!room(3)) return 0;
    emit(mpsse::write_tms);
    emit(static_cast<std::uint8_t>(n - 1));
    emit(static_cast<std::uint8_t>((tms & ((1u << n) - 1)) | static_cast<unsigned>(tdi & 1) << 7));
    tms >>= n;
    count -= n;
    cycles_ += static_cast<std::uint64_t>(n);
  }
  return 1;
}

int MpsseLink::clock_held(std::uint64_t count, int tms) {
  if (count == 0) return 1;
  // The clock-only commands keep TMS and TDI where they are: the first
  // clocks set both, by a TMS command with TDI 0.
  const int first = static_cast<int>(std::min<std::uint64_t>(count, mpsse::max_tms_clocks));
  if (!clock_tms(tms ? ~std::uint64_t{0} : 0, first, 0)) return 0;
  count -= static_cast<std::uint64_t>(first);
  while (count >= 8) {
    const std::uint64_t bytes = std::min<std::uint64_t>(count / 8, mpsse::max_command_bytes);
    if (!room(3)) return 0;
    emit(mpsse::clock_bytes);
    emit(static_cast<std::uint8_t>((bytes - 1) & 0xFF));
    emit(static_cast<std::uint8_t>((bytes - 1) >> 8));
    count -= 8 * bytes;
    cycles_ += 8 * bytes;
  }
  if (count > 0) {
    if (!room(2)) return 0;
    emit(mpsse::clock_bits);
    emit(static_cast<std::uint8_t>(count - 1));
    cycles_ += count;
  }
  return 1;
}

void MpsseLink::expect(MpsseReadBank::Kind kind, std::int32_t count, const ShiftRun& run,
                       std::int64_t from, std::int32_t bits, std::uint64_t first_cycle) {
  MpsseReadBank& bank = read_behind_.filling();
  bank.pieces[bank.piece_count++] = {kind, count};
  bank.read_bytes += kind == MpsseReadBank::Kind::bytes ? static_cast<std::uint32_t>(count) : 1u;
  // An empty mask compares every bit.
  const unsigned missing_care = run.mask.empty() ? 0xFu : 0u;
  Expectation* out = bank.entries.data() + bank.bits;
  std::int32_t i = 0;
  // Whole digits four entries at a time: byte-mode reads start on a digit.
  if (from % 4 == 0) {
    for (; i + 4 <= bits; i += 4) {
      const std::int64_t digit = (from + i) / 4;
      const unsigned care = digit_from_end(run.mask, digit, missing_care);
      const unsigned expected = digit_from_end(run.tdo, digit, 0);
      std::memcpy(out + i, &digit_expectations[care << 4 | expected], 4);
    }
  }
  for (; i < bits; ++i) {
    const std::int64_t bit = from + i;
    const unsigned care = (digit_from_end(run.mask, bit / 4, missing_care) >> (bit % 4)) & 1u;
    out[i] =
        care ? static_cast<Expectation>(expect_care | value_bit(run.tdo, bit)) : Expectation::none;
  }
  // A run that goes on where the last one ended is one run to the listener.
  MpsseReadBank::Run* last = bank.run_count > 0 ? &bank.runs[bank.run_count - 1] : nullptr;
  if (last && last->first_cycle + static_cast<std::uint64_t>(last->bits) == first_cycle &&
      last->first_bit + last->bits == bank.bits) {
    last->bits += bits;
  } else {
    bank.runs[bank.run_count++] = {first_cycle, bank.bits, bits};
  }
  bank.bits += bits;
}

int MpsseLink::shift(const ShiftRun& run) {
  if (broken_) return 0;
  if (run.bits <= 0) return 1;
  const bool read = run.compare && compare_ == 1;
  const std::uint64_t first_cycle = cycles_;
  const std::int64_t data_bits = run.bits - (run.exit ? 1 : 0);
  std::int64_t k = 0;
  while (data_bits - k >= 8) {
    if (!room(4)) return 0;
    const std::int64_t bytes = std::min<std::int64_t>(
        {(data_bits - k) / 8, mpsse::max_command_bytes, usable_bytes - out_len_ - 3});
    emit(read ? mpsse::read_write_bytes : mpsse::write_bytes);
    emit(static_cast<std::uint8_t>((bytes - 1) & 0xFF));
    emit(static_cast<std::uint8_t>((bytes - 1) >> 8));
    for (std::int64_t i = 0; i < bytes; ++i) emit(value_byte(run.tdi, k / 8 + i));
    if (read) {
      expect(MpsseReadBank::Kind::bytes, static_cast<std::int32_t>(bytes), run, k,
             static_cast<std::int32_t>(8 * bytes), first_cycle + static_cast<std::uint64_t>(k));
    }
    k += 8 * bytes;
  }
  if (data_bits > k) {
    const auto bits = static_cast<int>(data_bits - k);
    if (!room(3)) return 0;
    emit(read ? mpsse::read_write_bits : mpsse::write_bits);
    emit(static_cast<std::uint8_t>(bits - 1));
    emit(static_cast<std::uint8_t>(value_byte(run.tdi, k / 8) & ((1u << bits) - 1)));
    if (read) {
      expect(MpsseReadBank::Kind::bits, bits, run, k, bits,
             first_cycle + static_cast<std::uint64_t>(k));
    }
    k = data_bits;
  }
  if (run.exit) {
    // The last bit with TMS 1, its TDI level held through the TMS command.
    if (!room(3)) return 0;
    emit(read ? mpsse::read_write_tms : mpsse::write_tms);
    emit(0);
    emit(static_cast<std::uint8_t>(0x01 | value_bit(run.tdi, k) << 7));
    if (read) {
      expect(MpsseReadBank::Kind::bits, 1, run, k, 1, first_cycle + static_cast<std::uint64_t>(k));
    }
  }
  cycles_ += static_cast<std::uint64_t>(run.bits);
  return 1;
}

int MpsseLink::sync() {
  if (broken_) return 0;
  const bool waiting =
      compare_ == 1 && (!read_behind_.drained() || read_behind_.filling().read_bytes > 0);
  if (out_len_ == 0 && !waiting) return 1;
  // The chip answers the read of its pins only once it has clocked every
  // command before it.
  emit(mpsse::read_low);
  MpsseReadBank& bank = read_behind_.filling();
  bank.pieces[bank.piece_count++] = {MpsseReadBank::Kind::confirm, 0};
  ++bank.read_bytes;
  return flush(true);
}

int MpsseLink::drain() {
  return clock_tms(0, 1, 0) && sync();
}

std::uint64_t MpsseLink::set_rate(std::uint64_t hz) {
  const std::uint16_t divisor = mpsse_divisor(h_chip_, hz);
  if (!room(3)) return 0;
  emit(mpsse::set_divisor);
  emit(static_cast<std::uint8_t>(divisor & 0xFF));
  emit(static_cast<std::uint8_t>(divisor >> 8));
  return mpsse_rate(h_chip_, divisor);
}

int MpsseLink::flush(bool drain) {
  if (broken_) return 0;
  MpsseReadBank& bank = read_behind_.filling();
  // What the block returns is sent at once rather than when the chip's
  // latency timer runs out.
  if (bank.read_bytes > 0) emit(mpsse::send_immediate);
  if (out_len_ > 0) {
    device_.expect_returned(handle_, bank.read_bytes);
    std::uint32_t written = 0;
    device_.write(handle_, out_.data(), static_cast<std::uint32_t>(out_len_), &written);
    if (written != static_cast<std::uint32_t>(out_len_)) return fail();
    out_len_ = 0;
  }
  // Without compare mode only a sync reads, and only its confirmation.
  if (compare_ != 1 && !drain) return 1;
  if (!read_behind_.after_write(drain, [this](MpsseReadBank& b) { return read_back(b); })) {
    return fail();
  }
  return 1;
}

int MpsseLink::read_back(MpsseReadBank& bank) {
  if (bank.read_bytes == 0) return 1;
  std::uint32_t got = 0;
  device_.read(handle_, in_.data(), bank.read_bytes, &got);
  if (got != bank.read_bytes) return 0;
  std::size_t at = 0;
  std::uint8_t* bit = tdo_bits_.data();
  for (std::int32_t p = 0; p < bank.piece_count; ++p) {
    const MpsseReadBank::Piece piece = bank.pieces[p];
    switch (piece.kind) {
      case MpsseReadBank::Kind::bytes:
        for (std::int32_t i = 0; i < piece.count; ++i, bit += 8) {
          std::memcpy(bit, &unpacked[in_[at++]], 8);
        }
        break;
      case MpsseReadBank::Kind::bits: {
        // The bits come in at the top and move down, the first lowest.
        const unsigned byte = in_[at++];
        for (std::int32_t j = 0; j < piece.count; ++j)
          *bit++ = (byte >> (8 - piece.count + j)) & 1u;
        break;
      }
      case MpsseReadBank::Kind::confirm:
        ++at;
        break;
    }
  }
  for (std::int32_t r = 0; r < bank.run_count; ++r) {
    const MpsseReadBank::Run run = bank.runs[r];
    const std::uint8_t* tdo = tdo_bits_.data() + run.first_bit;
    const Expectation* expected = bank.entries.data() + run.first_bit;
    const std::int32_t differing =
        count_differing(expected, run.bits, [tdo](std::int32_t j) { return tdo[j]; });
    mismatch_count_ += differing;
    if (listener_) listener_->on_read_back(run.first_cycle, tdo, expected, run.bits, differing);
  }
  return 1;
}

int MpsseLink::drive_trst(ResetDrive drive) {
  if (!trst_.present()) return -1;
  std::uint16_t value = gpio_value_, dir = gpio_dir_;
  drive_reset(trst_, drive, value, dir);
  if (!room(6)) return 0;
  // Each byte whose pins changed, by its set command in the stream.
  const auto set = [&](std::uint8_t command, int shift) {
    if (((value ^ gpio_value_) | (dir ^ gpio_dir_)) >> shift & 0xFF) {
      emit(command);
      emit(static_cast<std::uint8_t>(value >> shift));
      emit(static_cast<std::uint8_t>(dir >> shift));
    }
  };
  set(mpsse::set_low, 0);
  set(mpsse::set_high, 8);
  gpio_value_ = value;
  gpio_dir_ = dir;
  return 1;
}

}  // namespace tapwright
