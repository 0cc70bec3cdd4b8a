#include "support/scripted_device.hpp"

#include <algorithm>

namespace tapwright::testing {

namespace {
template <typename T>
bool take(std::deque<T>& queue, T& out) {
  if (queue.empty()) return false;
  out = queue.front();
  queue.pop_front();
  return true;
}
}  // namespace

DeviceStatus ScriptedDevice::open(int index, DeviceHandle* handle) {
  calls.push_back({"open", static_cast<std::uint32_t>(index), 0});
  DeviceStatus status = device_ok;
  take(open_status, status);
  if (status == device_ok) *handle = scripted_handle();
  return status;
}

DeviceStatus ScriptedDevice::close(DeviceHandle) {
  calls.push_back({"close", 0, 0});
  return device_ok;
}

DeviceStatus ScriptedDevice::read(DeviceHandle, std::uint8_t* buffer, std::uint32_t to_read,
                                  std::uint32_t* got) {
  calls.push_back({"read", to_read, 0});
  std::int64_t count = -1;
  take(read_counts, count);
  const std::uint32_t n = count < 0 ? to_read : static_cast<std::uint32_t>(count);
  for (std::uint32_t i = 0; i < std::min(n, to_read); ++i) {
    buffer[i] = read_pos_ < returned.size() ? returned[read_pos_++] : 0;
  }
  *got = n;
  return device_ok;
}

DeviceStatus ScriptedDevice::write(DeviceHandle, const std::uint8_t* buffer, std::uint32_t to_write,
                                   std::uint32_t* written_count) {
  calls.push_back({"write", to_write, 0});
  std::int64_t count = -1;
  take(write_counts, count);
  const std::uint32_t n = count < 0 ? to_write : static_cast<std::uint32_t>(count);
  written.insert(written.end(), buffer, buffer + std::min(n, to_write));
  if (reply) {
    for (std::uint32_t i = 0; i < std::min(n, to_write); ++i) returned.push_back(reply(buffer[i]));
  }
  *written_count = n;
  return device_ok;
}

DeviceStatus ScriptedDevice::set_divisor(DeviceHandle, std::uint16_t divisor) {
  calls.push_back({"set_divisor", divisor, 0});
  return device_ok;
}

DeviceStatus ScriptedDevice::set_bit_mode(DeviceHandle, std::uint8_t mask, std::uint8_t mode) {
  calls.push_back({"set_bit_mode", mask, mode});
  DeviceStatus status = device_ok;
  take(bit_mode_status, status);
  return status;
}

std::vector<std::string> ScriptedDevice::transfers() const {
  std::vector<std::string> out;
  for (const DeviceCall& call : calls) {
    if (call.op == "read" || call.op == "write")
      out.push_back(call.op + " " + std::to_string(call.a));
  }
  return out;
}

}  // namespace tapwright::testing
