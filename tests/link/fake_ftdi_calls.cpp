#include "fake_ftdi_calls.hpp"

#include <algorithm>

namespace tapwright::testing {

ftdi_context* FakeFtdiCalls::new_context() {
  calls.push_back({"new_context"});
  if (!usb_starts) return nullptr;
  ++contexts_alive;
  return reinterpret_cast<ftdi_context*>(&context_token_);
}

void FakeFtdiCalls::free_context(ftdi_context*) {
  calls.push_back({"free_context"});
  --contexts_alive;
}

int FakeFtdiCalls::usb_open_desc_index(ftdi_context*, int vendor, int product, unsigned int index) {
  calls.push_back({"usb_open", product, static_cast<int>(index)});
  if (vendor != 0x0403) return -3;
  const bool present = std::find(attached.begin(), attached.end(), product) != attached.end();
  return present && index == 0 ? 0 : -3;
}

int FakeFtdiCalls::usb_close(ftdi_context*) {
  calls.push_back({"usb_close"});
  return 0;
}

int FakeFtdiCalls::set_bitmode(ftdi_context*, unsigned char mask, unsigned char mode) {
  calls.push_back({"set_bitmode", mask, mode});
  if (bitmode_result == 0) sync_ = mode == 0x04;
  return bitmode_result;
}

int FakeFtdiCalls::set_baudrate(ftdi_context*, int baudrate) {
  calls.push_back({"set_baudrate", baudrate});
  return baudrate_result;
}

int FakeFtdiCalls::write_data(ftdi_context*, const unsigned char* buffer, int size) {
  calls.push_back({"write_data", size});
  int taken = size;
  if (sync_) {
    // The chip takes bytes only while it has room for what they return.
    taken = std::min(size, chip_buffer - static_cast<int>(returned_.size()));
  }
  if (!write_results.empty()) {
    taken = write_results.front();
    write_results.pop_front();
  }
  for (int i = 0; i < std::max(taken, 0); ++i) {
    written.push_back(buffer[i]);
    if (sync_ && returns_bytes) {
      const std::uint8_t b = buffer[i];
      returned_.push_back(static_cast<std::uint8_t>(b | ((b & 0x01) << 3)));
    }
  }
  most_in_chip = std::max(most_in_chip, static_cast<int>(returned_.size()));
  return taken;
}

int FakeFtdiCalls::read_data(ftdi_context*, unsigned char* buffer, int size) {
  calls.push_back({"read_data", size});
  now += read_takes;
  if (!read_results.empty()) {
    const int result = read_results.front();
    read_results.pop_front();
    return result;
  }
  const int n = std::min({size, packet, static_cast<int>(returned_.size())});
  for (int i = 0; i < n; ++i) {
    buffer[i] = returned_.front();
    returned_.pop_front();
  }
  return n;
}

std::vector<std::string> FakeFtdiCalls::call_names() const {
  std::vector<std::string> names;
  for (const auto& call : calls) names.push_back(call.name);
  return names;
}

}  // namespace tapwright::testing
