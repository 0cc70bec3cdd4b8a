// Clocks per second of the two encodings of a long scan, host side only:
// over a device that takes every write and returns TDO high for every byte
// read back.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "constant_device.hpp"
#include "link/bit_bang_link.hpp"
#include "link/mpsse_link.hpp"

namespace tapwright {
namespace {

// A 64-kbit scan, compared (argument 1) or not, through `link`.
void shift_scans(benchmark::State& state, CableLink& link) {
  const bool compare = state.range(0) != 0;
  const std::int64_t bits = 1 << 16;
  const std::string tdi(bits / 4, 'a');
  const std::string ones(bits / 4, 'f');
  for (auto _ : state) {
    benchmark::DoNotOptimize(link.shift({bits, tdi, ones, ones, compare, true}));
  }
  link.drain();
  if (link.mismatch_count() != 0) state.SkipWithError("a bit differed");
  state.SetItemsProcessed(state.iterations() * bits);
  state.SetLabel(compare ? "clocks, compared" : "clocks");
}

void BM_BitBangScan(benchmark::State& state) {
  ConstantDevice device(0xFF);
  auto stream = std::make_unique<ClockStream>(device);
  BitBangLink link(*stream, &device, static_cast<int>(state.range(0)));
  shift_scans(state, link);
}
BENCHMARK(BM_BitBangScan)->Arg(0)->Arg(1);

void BM_MpsseScan(benchmark::State& state) {
  ConstantDevice device(0xFF);
  auto link = std::make_unique<MpsseLink>(device, &device, static_cast<int>(state.range(0)), true);
  shift_scans(state, *link);
}
BENCHMARK(BM_MpsseScan)->Arg(0)->Arg(1);

}  // namespace
}  // namespace tapwright
