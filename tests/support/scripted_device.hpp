#pragma once
// A device for tests: records every call and every byte written, and answers
// with scripted statuses, byte counts and returned bytes, so that every
// failure path of the player can be driven.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/device.hpp"

namespace tapwright::testing {

struct DeviceCall {
  std::string op;  // "open", "close", "read", "write", "set_divisor", "set_bit_mode"
  // open: index; read/write: count asked; set_divisor: divisor; bit mode: mask
  std::uint32_t a = 0;
  std::uint32_t b = 0;  // set_bit_mode: mode
  bool operator==(const DeviceCall&) const = default;
};

class ScriptedDevice final : public Device {
 public:
  // Scripted answers, taken in order; when a queue is empty the default
  // applies (status 0; a write takes every byte; a read returns what the
  // echo source produces, or zero bytes padded to the count asked).
  std::deque<DeviceStatus> open_status;
  std::deque<DeviceStatus> bit_mode_status;
  // Per write call, the count to report (-1: the full count).
  std::deque<std::int64_t> write_counts;
  // Per read call, the count to report (-1: the full count).
  std::deque<std::int64_t> read_counts;
  // Bytes a read returns, consumed in order; past their end reads give 0.
  std::vector<std::uint8_t> returned;
  // When set, every written byte b appends reply(b) to `returned`, as a chip
  // in synchronous bit-bang mode would.
  std::function<std::uint8_t(std::uint8_t)> reply;

  std::vector<DeviceCall> calls;
  std::vector<std::uint8_t> written;

  DeviceStatus open(int index, DeviceHandle* handle) override;
  DeviceStatus close(DeviceHandle handle) override;
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override;
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written_count) override;
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override;
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override;

  // The reads and writes in order, each as "write 4096" or "read 4096" with
  // the byte count asked.
  std::vector<std::string> transfers() const;

 private:
  std::size_t read_pos_ = 0;
};

// A handle value the scripted device hands out.
inline DeviceHandle scripted_handle() {
  return reinterpret_cast<DeviceHandle>(0x7a9);
}

}  // namespace tapwright::testing
