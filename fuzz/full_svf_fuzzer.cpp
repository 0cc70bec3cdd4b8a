// Reads arbitrary bytes as a vendor's SVF file the two ways the full-SVF
// front end is used: lowered by tapwright-prep (both passes), and checked
// then played by tapwright-play into the simulated cable, with waits on a
// clock that only counts.
//
// The first byte chooses the run: bit 0 compare mode, bit 1 --keep-going;
// its high bits pick the size of the read buffer (2 to 65 bytes), so that
// every token is cut by a refill somewhere. The rest is the file.
//
// Findings besides crashes and sanitizer reports: a file the first pass
// accepts that the second refuses, or the other way round; a lowering that
// fails on a file it checked; a cable that fails although nothing pulls it;
// a differing bit that no reported scan accounts for.
// Files that would play more than a million clocks are only checked.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fullsvf/svf_front_end.hpp"
#include "link/bit_bang_link.hpp"
#include "link/counting_link.hpp"
#include "play/svf_player.hpp"
#include "prep/svf_lowering.hpp"
#include "sim/sim_device.hpp"

namespace {

using namespace tapwright;

constexpr std::uint64_t clock_budget = 1 << 20;

class CountingClock final : public play::HostClock {
 public:
  std::int64_t now_ns() override { return now_; }
  void sleep_ns(std::int64_t ns) override { now_ += ns; }

 private:
  std::int64_t now_ = 0;
};

struct MemoryFile {
  MemoryFile(const std::uint8_t* data, std::size_t size)
      : file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb")) {}
  ~MemoryFile() {
    if (file) std::fclose(file);
  }
  std::FILE* file;
};

void lower(const std::string& text) {
  const prep::LoweringResult r = prep::svf_lower(text, {"fuzz.svf", std::nullopt});
  int errors = 0;
  for (const auto& d : r.diagnostics) errors += d.note ? 0 : 1;
  if ((errors == 0) != (r.lowered == 1)) std::abort();  // checked, yet not lowered
}

void play_it(const std::uint8_t* data, std::size_t size, int compare, bool keep_going,
             std::size_t buffer) {
  play::PlaySettings settings;
  settings.compare = compare;
  settings.keep_going = keep_going;
  CountingClock clock;
  std::uint64_t clocks = 0;
  {
    MemoryFile in(data, size);
    fullsvf::Diagnostics diagnostics;
    fullsvf::SvfSource source(in.file, buffer);
    fullsvf::SvfFrontEnd front_end(source, diagnostics);
    CountingLink counter;
    Tap tap(counter, compare, TapState::run_test_idle);
    play::SvfPlayer checker(diagnostics, settings, clock, tap, nullptr, nullptr, play::Pass::check);
    while (front_end.next(checker)) {
    }
    if (diagnostics.error_count() != 0) return;
    clocks = checker.clocks();
  }
  if (clocks > clock_budget) return;

  sim::SimDevice device;
  DeviceHandle handle = nullptr;
  if (device.open(0, &handle) != device_ok) std::abort();
  device.set_bit_mode(handle, direction_mask, compare ? mode_sync_bitbang : mode_async_bitbang);
  ClockStream stream(device);
  play::ScanCheck check;
  stream.set_listener(&check);
  BitBangLink link(stream, handle, compare);
  Tap tap(link, compare);
  if (!tap.reset()) std::abort();
  MemoryFile in(data, size);
  fullsvf::Diagnostics diagnostics;
  fullsvf::SvfSource source(in.file, buffer);
  fullsvf::SvfFrontEnd front_end(source, diagnostics);
  play::SvfPlayer player(diagnostics, settings, clock, tap, &check, nullptr);
  while (!player.stopped_at_mismatch() && front_end.next(player)) {
    if (player.broken() || diagnostics.error_count() != 0) std::abort();
  }
  if (!stream.tap_flush(handle, compare)) std::abort();
  // Every compared scan has come back by the end of the drain, and every
  // differing bit the stream counted belongs to a scan the player names.
  if (check.pending() || check.differing_bits() != stream.mismatch_count()) std::abort();
  device.close(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int compare = data[0] & 1;
  const bool keep_going = (data[0] & 2) != 0;
  const std::size_t buffer = 2 + (data[0] >> 2);
  ++data;
  --size;
  lower(std::string(reinterpret_cast<const char*>(data), size));
  if (size > 0) play_it(data, size, compare, keep_going, buffer);
  return 0;
}
