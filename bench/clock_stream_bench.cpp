// Cycles per second through the clock stream and the shifter, over a device
// that takes every write and returns TDO high for every byte, so that only
// the host side is measured.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "constant_device.hpp"
#include "jtag/shift_vector.hpp"
#include "link/clock_stream.hpp"

namespace tapwright {
namespace {

void BM_TapClock(benchmark::State& state) {
  const int compare = static_cast<int>(state.range(0));
  ConstantDevice device(pin_tdo);
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
  ConstantDevice device(pin_tdo);
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
