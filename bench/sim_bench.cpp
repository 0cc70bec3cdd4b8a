// The simulated chip alone, in TCK cycles per second: blocks of byte pairs
// as the clock stream writes them, put through the device's write (and, in
// synchronous mode, read back), with no chain and with one device; and the
// same long scans as MPSSE commands.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/clock_stream.hpp"
#include "sim/sim_device.hpp"

namespace {

using tapwright::DeviceHandle;
using tapwright::sim::SimDevice;
using tapwright::sim::SimOptions;

constexpr int block_bytes = 4096;

// One block that leaves the TAP where it found it (Run-Test/Idle): select a
// scratch register, then a data scan filling the rest of the block, as a
// programming file's long SDR would.
std::array<std::uint8_t, block_bytes> scan_block() {
  std::array<std::uint8_t, block_bytes> block{};
  int len = 0;
  const auto cycle = [&](int tms, int tdi) {
    const auto first = static_cast<std::uint8_t>((tdi & 1) | (tms & 1) << 1);
    block[len] = first;
    block[len + 1] = static_cast<std::uint8_t>(first | 0x04);
    len += 2;
  };
  // Run-Test/Idle -> Shift-IR, opcode 0x05, -> Update-IR -> Shift-DR.
  for (int tms : {1, 1, 0, 0}) cycle(tms, 0);
  for (int bit = 0; bit < 8; ++bit) cycle(bit == 7, (0x05 >> bit) & 1);
  for (int tms : {1, 1, 0, 0}) cycle(tms, 0);
  const int tail = 2;  // Update-DR, Run-Test/Idle
  std::uint32_t pattern = 0x9E3779B9u;
  while (len < block_bytes - 2 * tail) {
    pattern = pattern * 1664525u + 1013904223u;
    cycle(len == block_bytes - 2 * tail - 2, static_cast<int>(pattern >> 31));
  }
  cycle(1, 0);
  cycle(0, 0);
  return block;
}

void run_blocks(benchmark::State& state, const std::string& chain, std::uint8_t mode) {
  SimDevice device;
  std::string error;
  SimOptions options;
  options.chain = chain;
  if (!device.configure(options, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  DeviceHandle handle = nullptr;
  device.open(0, &handle);
  device.set_bit_mode(handle, tapwright::direction_mask, mode);
  const auto block = scan_block();
  std::array<std::uint8_t, block_bytes> back{};
  for (auto _ : state) {
    std::uint32_t count = 0;
    device.write(handle, block.data(), block_bytes, &count);
    if (mode == tapwright::mode_sync_bitbang) device.read(handle, back.data(), block_bytes, &count);
    benchmark::DoNotOptimize(back.data());
    benchmark::ClobberMemory();
  }
  state.counters["cycles"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * (block_bytes / 2), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * block_bytes);
}

void BM_NoChainAsync(benchmark::State& state) {
  run_blocks(state, "none", tapwright::mode_async_bitbang);
}
void BM_NoChainSync(benchmark::State& state) {
  run_blocks(state, "none", tapwright::mode_sync_bitbang);
}
void BM_OneDeviceAsync(benchmark::State& state) {
  run_blocks(state, "8:0x59604093", tapwright::mode_async_bitbang);
}
void BM_OneDeviceSync(benchmark::State& state) {
  run_blocks(state, "8:0x59604093", tapwright::mode_sync_bitbang);
}
void BM_ThreeDevicesSync(benchmark::State& state) {
  run_blocks(state, "8:0x59604093,6:0x0362d093:0x09,4:0x1", tapwright::mode_sync_bitbang);
}

// The clock stream's cycles into the chip, compared, as a long SDR plays:
// the host side and the chip together.
void BM_StreamIntoOneDeviceCompared(benchmark::State& state) {
  SimDevice device;
  DeviceHandle handle = nullptr;
  device.open(0, &handle);
  device.set_bit_mode(handle, tapwright::direction_mask, tapwright::mode_sync_bitbang);
  tapwright::ClockStream stream(device);
  // Reset, then Shift-DR of a scratch register, where the run stays.
  for (int tms : {1, 1, 1, 1, 1, 0, 1, 1, 0, 0}) stream.tap_clock(handle, tms, 0, 0, 0, 1, 0);
  for (int bit = 0; bit < 8; ++bit)
    stream.tap_clock(handle, bit == 7, (0x05 >> bit) & 1, 0, 0, 1, 0);
  for (int tms : {1, 1, 0, 0}) stream.tap_clock(handle, tms, 0, 0, 0, 1, 0);
  std::uint32_t pattern = 1;
  for (auto _ : state) {
    for (int i = 0; i < 2048; ++i) {
      pattern = pattern * 1664525u + 1013904223u;
      stream.tap_clock(handle, 0, static_cast<int>(pattern >> 31), 0, 1, 1, 0);
    }
  }
  stream.tap_flush(handle, 1);
  benchmark::DoNotOptimize(stream.mismatch_count());
  state.counters["cycles"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2048,
                                                benchmark::Counter::kIsRate);
}

// MPSSE on an FT2232H: per iteration, a walk to Shift-DR, 4096 bytes
// clocked out and read back by one 0x39, the walk back to Run-Test/Idle,
// and a send-immediate. The device (when there is one) has a scratch
// register selected, as a programming file's long SDR would.
void run_mpsse(benchmark::State& state, const std::string& chain) {
  SimDevice device;
  std::string error;
  SimOptions options;
  options.chip = "ft2232h";
  options.chain = chain;
  if (!device.configure(options, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  DeviceHandle handle = nullptr;
  device.open(0, &handle);
  device.set_bit_mode(handle, 0, tapwright::sim::mode_mpsse);
  // Pins; Test-Logic-Reset, Run-Test/Idle; Shift-IR, opcode 0x05, Run-Test/Idle.
  const std::uint8_t setup[] = {0x80, 0x08, 0x0b, 0x4b, 0x05, 0x3f, 0x4b, 0x00, 0x00, 0x4b, 0x03,
                                0x03, 0x1b, 0x06, 0x05, 0x4b, 0x00, 0x01, 0x4b, 0x01, 0x01};
  std::uint32_t count = 0;
  device.write(handle, setup, sizeof setup, &count);
  constexpr int scan_bytes = 4096;
  std::vector<std::uint8_t> block = {0x4b, 0x02, 0x01, 0x39, 0xff, 0x0f};
  std::uint32_t pattern = 0x9E3779B9u;
  for (int i = 0; i < scan_bytes; ++i) {
    pattern = pattern * 1664525u + 1013904223u;
    block.push_back(static_cast<std::uint8_t>(pattern >> 24));
  }
  block.insert(block.end(), {0x4b, 0x02, 0x03, 0x87});
  std::vector<std::uint8_t> back(scan_bytes);
  for (auto _ : state) {
    device.write(handle, block.data(), static_cast<std::uint32_t>(block.size()), &count);
    device.read(handle, back.data(), scan_bytes, &count);
    benchmark::DoNotOptimize(back.data());
    benchmark::ClobberMemory();
  }
  state.counters["cycles"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * (8 * scan_bytes + 6), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * scan_bytes);
}

void BM_MpsseNoChainRead(benchmark::State& state) {
  run_mpsse(state, "none");
}
void BM_MpsseOneDeviceRead(benchmark::State& state) {
  run_mpsse(state, "8:0x59604093");
}
void BM_MpsseThreeDevicesRead(benchmark::State& state) {
  run_mpsse(state, "8:0x59604093,6:0x0362d093:0x09,4:0x1");
}

BENCHMARK(BM_NoChainAsync);
BENCHMARK(BM_NoChainSync);
BENCHMARK(BM_OneDeviceAsync);
BENCHMARK(BM_OneDeviceSync);
BENCHMARK(BM_ThreeDevicesSync);
BENCHMARK(BM_StreamIntoOneDeviceCompared);
BENCHMARK(BM_MpsseNoChainRead);
BENCHMARK(BM_MpsseOneDeviceRead);
BENCHMARK(BM_MpsseThreeDevicesRead);

}  // namespace
