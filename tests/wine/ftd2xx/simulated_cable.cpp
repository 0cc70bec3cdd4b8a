// Stand-in until the simulated cable lands: echoes TDI as TDO.
#include "simulated_cable.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tapwright::wine_test {
namespace {
class EchoCable final : public Device {
 public:
  ~EchoCable() override {
    if (const char* path = std::getenv(capture_variable)) {
      if (std::FILE* f = std::fopen(path, "wb")) {
        std::fwrite(written_.data(), 1, written_.size(), f);
        std::fclose(f);
      }
    }
  }
  DeviceStatus open(int, DeviceHandle* handle) override {
    *handle = this;
    return device_ok;
  }
  DeviceStatus close(DeviceHandle) override { return device_ok; }
  DeviceStatus read(DeviceHandle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    std::uint32_t n = 0;
    while (n < to_read && pos_ < written_.size()) {
      const std::uint8_t b = written_[pos_++];
      buffer[n++] = static_cast<std::uint8_t>(b | ((b & 1) << 3));
    }
    *got = n;
    return device_ok;
  }
  DeviceStatus write(DeviceHandle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override {
    written_.insert(written_.end(), buffer, buffer + to_write);
    *written = to_write;
    return device_ok;
  }
  DeviceStatus set_divisor(DeviceHandle, std::uint16_t) override { return device_ok; }
  DeviceStatus set_bit_mode(DeviceHandle, std::uint8_t, std::uint8_t) override { return device_ok; }

 private:
  std::vector<std::uint8_t> written_;
  std::size_t pos_ = 0;
};
}  // namespace

Device& simulated_cable() {
  static EchoCable cable;
  return cable;
}
}  // namespace tapwright::wine_test
