// Cycles per second through the clock stream and the shifter, over a device
// that takes every write and returns TDO high for every byte, so that only
// the host side is measured.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "jtag/shift_vector.hpp"
#include "link/clock_stream.hpp"

namespace tapwright {
namespace {

class EchoDevice final : public Device {
 public:
  DeviceStatus open(int, DeviceHandle* handle) override {
    *handle = this;
    return device_ok;
  }
  DeviceStatus close(DeviceHandle) override { return device_ok; }
  DeviceStatus read(DeviceHandle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    std::memset(buffer, pin_tdo, to_read);
    *got = to_read;
    return device_ok;
  }
  DeviceStatus write(DeviceHandle, const std::uint8_t*, std::uint32_t to_write,
                     std::uint32_t* written) override {
    *written = to_write;
    return device_ok;
  }
  DeviceStatus set_divisor(DeviceHandle, std::uint16_t) override { return device_ok; }
  DeviceStatus set_bit_mode(DeviceHandle, std::uint8_t, std::uint8_t) override { return device_ok; }
};

void BM_TapClock(benchmark::State& state) {
  const int compare = static_cast<int>(state.range(0));
  EchoDevice device;
  ClockStream stream(device);
  int tdi = 0;
  for (auto _ : state) {
    for (int i = 0; i < 4096; ++i) {
      tdi ^= 1;
      benchmark::DoNotOptimize(stream.tap_clock(&device, 0, tdi, 1, 1, compare, 0));
    }
  }
  stream.tap_flush(&device, compare);
  state.SetItemsProcessed(state.iterations() * 4096);
  state.SetLabel(compare ? "cycles, compare" : "cycles");
}
BENCHMARK(BM_TapClock)->Arg(0)->Arg(1);

// The usual FT232R adapter's wiring, tables built from its pin map.
const BitBangWiring ft232r_wiring =
    make_wiring(PinMap{0, 3, 1, 2, {4}, {6}}, PinMap{0, 3, 1, 2, {4}, {6}}.released());

void BM_ShiftVector(benchmark::State& state) {
  const int compare = static_cast<int>(state.range(0));
  const bool mapped = state.range(1) != 0;
  const std::int32_t bits = 1 << 16;
  const std::string tdi(bits / 4, 'a');
  const std::string tdo(bits / 4, 'f');
  const std::string mask(bits / 4, 'f');
  EchoDevice device;
  ClockStream stream(device, mapped ? ft232r_wiring : specified_wiring);
  for (auto _ : state) {
    benchmark::DoNotOptimize(svf_shift_vector(stream, "", &device, bits, tdi, tdo, mask, compare));
  }
  stream.tap_flush(&device, compare);
  state.SetItemsProcessed(state.iterations() * bits);
  state.SetLabel(std::string(compare ? "bits, compare" : "bits") +
                 (mapped ? ", FT232R wiring" : ""));
}
BENCHMARK(BM_ShiftVector)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});

}  // namespace
}  // namespace tapwright
