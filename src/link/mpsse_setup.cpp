#include "link/mpsse_setup.hpp"

#include <array>
#include <vector>

#include "link/mpsse_commands.hpp"

namespace tapwright {

namespace {

// Bytes a chip may still hold from an earlier session: its buffers, with
// room to spare.
constexpr int most_stale_bytes = 1 << 16;

int write_all(Device& device, DeviceHandle handle, const std::uint8_t* bytes, std::uint32_t n) {
  std::uint32_t written = 0;
  device.write(handle, bytes, n, &written);
  return written == n;
}

int read_byte(Device& device, DeviceHandle handle, std::uint8_t& byte) {
  std::uint32_t got = 0;
  device.read(handle, &byte, 1, &got);
  return got == 1;
}

// Sends `probe` and reads until the chip's answer to it; `at_once`: the
// answer must be the next two bytes.
int sync_on(Device& device, DeviceHandle handle, std::uint8_t probe, bool at_once) {
  if (!write_all(device, handle, &probe, 1)) return 0;
  std::uint8_t previous = 0, byte = 0;
  const int most = at_once ? 2 : most_stale_bytes + 2;
  for (int n = 0; n < most; ++n) {
    if (!read_byte(device, handle, byte)) return 0;
    if (n > 0 && previous == mpsse::bad_command_answer && byte == probe) return 1;
    previous = byte;
  }
  return 0;
}

}  // namespace

std::uint64_t mpsse_rate(bool h_chip, std::uint16_t divisor) {
  return mpsse_base_hz(h_chip) / (2 * (1 + std::uint64_t{divisor}));
}

std::uint16_t mpsse_divisor(bool h_chip, std::uint64_t hz) {
  const std::uint64_t half = mpsse_base_hz(h_chip) / 2;
  if (hz == 0) return 0xFFFF;
  // The smallest divisor whose rate half / (1 + d) is at most hz.
  const std::uint64_t d = (half + hz - 1) / hz;
  return static_cast<std::uint16_t>(d == 0 ? 0 : d - 1 > 0xFFFF ? 0xFFFF : d - 1);
}

MpsseBringUp mpsse_bring_up(Device& device, DeviceHandle handle, const MpsseSetup& setup) {
  if (device.set_bit_mode(handle, 0, mode_reset) != device_ok ||
      device.set_bit_mode(handle, 0, mode_mpsse) != device_ok) {
    return MpsseBringUp::mode;
  }
  if (!sync_on(device, handle, mpsse::sync_probe, false) ||
      !sync_on(device, handle, mpsse::sync_probe_2, true)) {
    return MpsseBringUp::sync;
  }
  const std::uint16_t divisor = mpsse_divisor(setup.h_chip, setup.tck_hz);
  std::vector<std::uint8_t> commands = {mpsse::loopback_off};
  if (setup.h_chip) {
    commands.insert(commands.end(),
                    {mpsse::divide_by_5_off, mpsse::three_phase_off, mpsse::adaptive_off});
  }
  commands.insert(commands.end(),
                  {mpsse::set_divisor, static_cast<std::uint8_t>(divisor & 0xFF),
                   static_cast<std::uint8_t>(divisor >> 8), mpsse::set_low, setup.low_value,
                   setup.low_dir, mpsse::set_high, setup.high_value, setup.high_dir});
  if (!write_all(device, handle, commands.data(), static_cast<std::uint32_t>(commands.size()))) {
    return MpsseBringUp::configure;
  }
  return MpsseBringUp::ok;
}

}  // namespace tapwright
