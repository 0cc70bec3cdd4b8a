#include "driver/cable_session.hpp"

#include <memory>
#include <utility>

#include "driver/cable_bring_up.hpp"
#include "link/bit_bang_link.hpp"
#include "link/cable_rate.hpp"
#include "link/mpsse_link.hpp"
#include "link/mpsse_setup.hpp"

namespace tapwright {

namespace {

CableRun ended(CablePhase end, std::int64_t mismatches = 0, std::string detail = {}) {
  return {end, mismatches, std::move(detail)};
}

// Reset, the caller's statements and the drain, on a link.
CableRun play_on(CableLink& link, int compare, const std::function<int(Tap&)>& play) {
  Tap tap(link, compare);
  if (!tap.reset()) return ended(CablePhase::reset);
  if (!play(tap)) return ended(CablePhase::play, link.mismatch_count());
  // The drain's own clock (TMS 0, TDI 0) moves a controller left in
  // Test-Logic-Reset to Run-Test/Idle, which keeps the instruction the
  // reset loaded.
  const CablePhase end = tap.drain() ? CablePhase::done : CablePhase::drain;
  return ended(end, link.mismatch_count());
}

CableRun run_bit_bang(Device& device, const CableSetup& setup,
                      const std::function<int(Tap&)>& play) {
  const std::uint8_t mode = bit_bang_mode(setup.compare);
  // The tables of a named cable's wiring are built here, once; tapwright's
  // own run keeps the specified ones.
  const BitBangWiring wiring =
      setup.cable ? make_wiring(setup.pins, setup.pins.released()) : specified_wiring;
  const std::uint16_t divisor =
      setup.tck_hz ? bit_bang_divisor(setup.tck_hz) : fastest_bit_bang_divisor;
  DeviceHandle handle = nullptr;
  if (!open_cable(device, mode, handle, wiring.outputs)) return ended(CablePhase::open);
  // Closed when the run leaves, whichever way.
  OpenDevice open_device(device, handle);
  if (!configure_cable(device, handle, mode, wiring.outputs, divisor)) {
    return ended(CablePhase::configure);
  }
  auto stream = std::make_unique<ClockStream>(device, wiring);
  BitBangLink link(*stream, handle, setup.compare);
  if (setup.cable) link.control(device, setup.pins, mode, divisor);
  return play_on(link, setup.compare, play);
}

CableRun run_mpsse(Device& device, const CableSetup& setup, const std::function<int(Tap&)>& play) {
  const CableRow& cable = *setup.cable;
  DeviceHandle handle = nullptr;
  if (device.open_channel(0, setup.channel, &handle) != device_ok) return ended(CablePhase::open);
  OpenDevice open_device(device, handle);
  // A chip that stops answering must end the run, not hang it.
  if (device.set_timeouts(handle, 1000, 1000) != device_ok) {
    return ended(CablePhase::configure, 0, device.failure());
  }
  MpsseSetup mpsse;
  mpsse.h_chip = ftdi_chip_model(cable.chip).h_chip();
  mpsse.tck_hz = setup.tck_hz ? setup.tck_hz : default_mpsse_hz;
  mpsse.low_value = cable.low_value;
  mpsse.low_dir = cable.low_dir;
  mpsse.high_value = cable.high_value;
  mpsse.high_dir = cable.high_dir;
  switch (mpsse_bring_up(device, handle, mpsse)) {
    case MpsseBringUp::mode:
      return ended(CablePhase::configure, 0, "the chip refused MPSSE mode");
    case MpsseBringUp::sync:
      return ended(CablePhase::configure, 0,
                   "the chip's MPSSE engine did not answer (no 0xFA to a bad command)");
    case MpsseBringUp::configure:
      return ended(CablePhase::configure, 0, "the chip did not take its set-up commands");
    case MpsseBringUp::ok:
      break;
  }
  auto link = std::make_unique<MpsseLink>(device, handle, setup.compare, mpsse.h_chip);
  link->wire_trst(cable.pins.trst,
                  static_cast<std::uint16_t>(cable.high_value << 8 | cable.low_value),
                  static_cast<std::uint16_t>(cable.high_dir << 8 | cable.low_dir));
  return play_on(*link, setup.compare, play);
}

}  // namespace

CableRun run_on_cable(Device& device, const CableSetup& setup,
                      const std::function<int(Tap&)>& play) {
  if (setup.cable && setup.cable->encoding == CableEncoding::mpsse) {
    return run_mpsse(device, setup, play);
  }
  return run_bit_bang(device, setup, play);
}

}  // namespace tapwright
