// Plays arbitrary bytes as an SVF file through the tokenizer, the
// interpreter and the clock stream into the simulated cable (default chain),
// the way the player runs a file between its bring-up and its summary.
//
// The first byte chooses the run: bit 0 compare mode, bit 1 verbose echo (to
// /dev/null), bit 3 "pull": the next byte numbers the write or read call
// (counted together, from 1) that falls short, bit 2 "straddle": the next two
// bytes pick an offset into the file, and the file is put behind as many
// blanks as bring that offset onto the tokenizer's first refill of its 64 KB
// buffer, which no input of a few KB would otherwise reach. The rest is the
// file.
//
// The player has no length limits, so a few bytes can ask for 2^31 clocks or
// a scan of 2^31 bits. Those are capped here, not in the player: the cable
// takes a fixed number of bytes per input and then reports short writes,
// which ends the run down the ordinary failure path; and the echo, which
// spells out the zeros of an uncompared scan, is only turned on when no
// number in the input is large.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jtag/tap_controller.hpp"
#include "link/clock_stream.hpp"
#include "sim/sim_device.hpp"
#include "svf/svf_run.hpp"
#include "svf/svf_tokenizer.hpp"

namespace {

using namespace tapwright;

// 8 blocks: room for several read-backs one block behind the writes, small
// enough that an input asking for billions of clocks ends in milliseconds.
constexpr std::uint64_t cable_byte_budget = 8 * block_bytes;
// Largest number that may stand at the start of a word when echoing.
constexpr std::int64_t echo_number_limit = 1 << 16;

// The simulated cable, cut off once it has taken its budget of bytes, or
// pulled at one chosen write or read call. Either way the call falls short,
// and the stream must not touch the cable again afterwards.
class BudgetedCable final : public Device {
 public:
  BudgetedCable(sim::SimDevice& inner, std::uint32_t pulled_at_call)
      : inner_(inner), pulled_at_call_(pulled_at_call) {}

  DeviceStatus open(int index, DeviceHandle* handle) override { return inner_.open(index, handle); }
  DeviceStatus close(DeviceHandle handle) override { return inner_.close(handle); }
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    if (fall_short()) {
      *got = 0;
      return device_error;
    }
    return inner_.read(handle, buffer, to_read, got);
  }
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override {
    if (fall_short() || taken_ + to_write > cable_byte_budget) {
      failed_ = true;
      *written = 0;
      return device_error;
    }
    taken_ += to_write;
    return inner_.write(handle, buffer, to_write, written);
  }
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override {
    return inner_.set_divisor(handle, divisor);
  }
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override {
    return inner_.set_bit_mode(handle, mask, mode);
  }
  bool failed() const { return failed_; }

 private:
  bool fall_short() {
    if (failed_) std::abort();  // a write or read after the cable failed
    if (++calls_ != pulled_at_call_) return false;
    failed_ = true;
    return true;
  }

  sim::SimDevice& inner_;
  std::uint32_t pulled_at_call_;  // 0: never
  std::uint32_t calls_ = 0;
  std::uint64_t taken_ = 0;
  bool failed_ = false;
};

bool starts_word(const std::uint8_t* data, std::size_t i) {
  if (i == 0) return true;
  const std::uint8_t c = data[i - 1];
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';';
}

// Whether any word begins with a number (sign and digits, as a scan length
// or clock count is read) above the echo limit. Words that are no length
// are counted too; that only turns the echo off for a few more inputs.
bool has_large_number(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (!starts_word(data, i)) continue;
    std::size_t j = i;
    if (j < size && (data[j] == '+' || data[j] == '-')) ++j;
    std::int64_t value = 0;
    for (; j < size && data[j] >= '0' && data[j] <= '9'; ++j) {
      value = value * 10 + (data[j] - '0');
      if (value > echo_number_limit) return true;
    }
  }
  return false;
}

std::FILE* null_echo() {
  static std::FILE* const file = std::fopen("/dev/null", "w");
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t run = data[0];
  ++data;
  --size;
  const int compare = run & 1;
  const int verbose = (run & 2) && !has_large_number(data, size) ? 1 : 0;
  std::uint32_t pulled_at_call = 0;
  if ((run & 8) && size >= 1) {
    pulled_at_call = data[0];
    ++data;
    --size;
  }
  std::vector<std::uint8_t> straddled;
  if ((run & 4) && size >= 2) {
    const std::size_t offset = (data[0] | (data[1] << 8)) % 4096;
    data += 2;
    size -= 2;
    straddled.assign(SvfTokenizer::buffer_bytes - std::min(offset, size), ' ');
    straddled.insert(straddled.end(), data, data + size);
    data = straddled.data();
    size = straddled.size();
  }

  // An empty file is read as no file at all (fmemopen refuses no bytes).
  std::FILE* svf = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : nullptr;
  if (size && !svf) return 0;

  sim::SimDevice sim_device;
  BudgetedCable cable(sim_device, pulled_at_call);
  DeviceHandle handle = nullptr;
  if (cable.open(0, &handle) != device_ok) std::abort();
  const std::uint8_t mode = compare ? mode_sync_bitbang : mode_async_bitbang;
  if (cable.set_bit_mode(handle, direction_mask, mode) != device_ok) std::abort();
  cable.set_divisor(handle, 1);

  {
    ClockStream stream(cable);
    TapState state{};
    SvfMasks masks;
    SvfTokenizer tokenizer(svf);
    if (tap_reset(stream, handle, state, compare) &&
        svf_run(tokenizer, stream, handle, verbose, state, compare, masks, null_echo()) &&
        stream.tap_flush(handle, compare)) {
      // A run that lost a write or read cannot have succeeded.
      if (cable.failed()) std::abort();
      // A completed drain leaves nothing buffered and nothing waiting.
      if (stream.out_len() != 0 || stream.drained() != 1) std::abort();
      if (stream.bank(0).clocks != 0 || stream.bank(1).clocks != 0) std::abort();
    }
  }
  cable.close(handle);
  if (svf) std::fclose(svf);
  return 0;
}
