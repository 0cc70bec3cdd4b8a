#pragma once
// The MPSSE encoding of runs: the chip makes TCK itself from commands that
// clock whole bytes of TDI, walk TMS and, where TDO is compared, return it.
// Commands go out in blocks; in compare mode each block is read back one
// block behind the writes, as the bit-bang stream does, and the TDO bits
// are compared with what the block expected of them.
#include <array>
#include <cstdint>

#include "link/cable_link.hpp"
#include "link/device.hpp"
#include "link/read_behind.hpp"

namespace tapwright {

// What one block of commands returns, and what is expected of it.
struct MpsseReadBank {
  static constexpr int block_bytes = 4096;
  // How the returned bytes are cut into TDO bits: a byte-mode read gives
  // 8 bits per byte, a bit-mode or TMS read one byte with `count` bits at
  // its top, and a confirmation (a read of the pins) one byte and no bit.
  enum class Kind : std::uint8_t { bytes, bits, confirm };
  struct Piece {
    Kind kind;
    std::int32_t count;
  };
  // Consecutive compared clocks, for the listener.
  struct Run {
    std::uint64_t first_cycle;
    std::int32_t first_bit;
    std::int32_t bits;
  };
  static constexpr int max_pieces = block_bytes / 3 + 2;

  std::array<Expectation, 8 * block_bytes> entries{};
  std::array<Piece, max_pieces> pieces{};
  std::array<Run, max_pieces> runs{};
  std::int32_t bits = 0;
  std::int32_t piece_count = 0;
  std::int32_t run_count = 0;
  std::uint32_t read_bytes = 0;
  void clear() { bits = piece_count = run_count = 0, read_bytes = 0; }
};

class MpsseLink final : public CableLink {
 public:
  static constexpr int block_bytes = MpsseReadBank::block_bytes;

  // On a device whose MPSSE engine is set up (`h_chip` as for the setup).
  // `compare` exactly 1: the TDO of compared runs is read back and compared.
  MpsseLink(Device& device, DeviceHandle handle, int compare, bool h_chip)
      : device_(device), handle_(handle), compare_(compare == 1 ? 1 : 0), h_chip_(h_chip) {}
  MpsseLink(const MpsseLink&) = delete;
  MpsseLink& operator=(const MpsseLink&) = delete;

  int clock_tms(std::uint64_t tms, int count, int tdi) override;
  int clock_held(std::uint64_t count, int tms) override;
  int shift(const ShiftRun& run) override;
  // Also without compare mode the chip confirms that it has clocked
  // everything, by answering a read of its pins.
  int sync() override;
  int drain() override;
  std::uint64_t set_rate(std::uint64_t hz) override;
  int drive_trst(ResetDrive drive) override;
  // The pins' levels and directions as bring-up set them (low byte in
  // bits 0-7, high byte in 8-15) and the cable's TRST line.
  void wire_trst(const ResetPin& trst, std::uint16_t value, std::uint16_t dir) {
    trst_ = trst;
    gpio_value_ = value;
    gpio_dir_ = dir;
  }

  std::uint64_t cycles() const override { return cycles_; }
  std::int64_t mismatch_count() const override { return mismatch_count_; }
  void set_listener(ReadBackListener* listener) override { listener_ = listener; }

  // What went out last, for tests.
  int out_len() const { return out_len_; }

 private:
  // Room for `bytes` more command bytes, writing the block first when it
  // has not; 0 when that write failed.
  int room(int bytes);
  int flush(bool drain);
  int read_back(MpsseReadBank& bank);
  void emit(std::uint8_t byte) { out_[out_len_++] = byte; }
  // A read of `kind` whose bits are bits [from, from + bits) of `run`,
  // which began at cycle `first_cycle`.
  void expect(MpsseReadBank::Kind kind, std::int32_t count, const ShiftRun& run, std::int64_t from,
              std::int32_t bits, std::uint64_t first_cycle);
  int fail() {
    broken_ = true;
    return 0;
  }

  Device& device_;
  DeviceHandle handle_;
  int compare_;
  bool h_chip_;
  std::array<std::uint8_t, block_bytes> out_{};
  int out_len_ = 0;
  ReadBehind<MpsseReadBank> read_behind_;
  std::array<std::uint8_t, block_bytes> in_{};
  std::array<std::uint8_t, 8 * block_bytes> tdo_bits_{};
  std::uint64_t cycles_ = 0;
  std::int64_t mismatch_count_ = 0;
  ReadBackListener* listener_ = nullptr;
  bool broken_ = false;
  ResetPin trst_;
  std::uint16_t gpio_value_ = 0, gpio_dir_ = 0;
};

}  // namespace tapwright
