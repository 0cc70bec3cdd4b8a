#include "driver/cable_session.hpp"

#include <memory>

#include "driver/cable_bring_up.hpp"
#include "link/bit_bang_link.hpp"

namespace tapwright {

CableRun run_on_cable(Device& device, const CableSetup& setup,
                      const std::function<int(Tap&)>& play) {
  const std::uint8_t mode = bit_bang_mode(setup.compare);
  DeviceHandle handle = nullptr;
  if (!open_cable(device, mode, handle)) return {CablePhase::open};
  // Closed when the run leaves, whichever way.
  OpenDevice open_device(device, handle);
  if (!configure_cable(device, handle, mode)) return {CablePhase::configure};
  auto stream = std::make_unique<ClockStream>(device);
  BitBangLink link(*stream, handle, setup.compare);
  Tap tap(link, setup.compare);
  if (!tap.reset()) return {CablePhase::reset};
  if (!play(tap)) return {CablePhase::play, link.mismatch_count()};
  // The drain's own clock (TMS 0, TDI 0) moves a controller left in
  // Test-Logic-Reset to Run-Test/Idle, which keeps the instruction the
  // reset loaded.
  const CablePhase end = tap.drain() ? CablePhase::done : CablePhase::drain;
  return {end, link.mismatch_count()};
}

}  // namespace tapwright
