// The entry points of the test FTD2XX.dll, with the vendor library's
// argument types and calling convention, each passed on to one simulated
// cable (the default chain). ftd2xx.def exports them by ordinal only.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/sim_device.hpp"

namespace {

// A library reached through plain C entry points has nowhere else to keep
// its device, so it lives as long as the DLL is loaded, and writes the byte
// stream it received to the file TAPWRIGHT_FTD2XX_CAPTURE names when the DLL
// is unloaded.
class SimulatedCable {
 public:
  SimulatedCable() {
    tapwright::sim::SimOptions options;
    if (const char* path = std::getenv("TAPWRIGHT_FTD2XX_CAPTURE")) options.capture_out = path;
    std::string error;
    device.configure(options, error);
  }
  ~SimulatedCable() { device.finish(); }
  tapwright::sim::SimDevice device;
};

tapwright::Device& cable() {
  static SimulatedCable simulated;
  return simulated.device;
}

}  // namespace

extern "C" {

ULONG __stdcall simulated_ft_open(int index, PVOID* handle) {
  return cable().open(index, handle);
}

ULONG __stdcall simulated_ft_close(PVOID handle) {
  return cable().close(handle);
}

ULONG __stdcall simulated_ft_read(PVOID handle, LPVOID buffer, DWORD to_read, LPDWORD got) {
  std::uint32_t count = 0;
  const ULONG status = cable().read(handle, static_cast<std::uint8_t*>(buffer), to_read, &count);
  *got = count;
  return status;
}

ULONG __stdcall simulated_ft_write(PVOID handle, LPVOID buffer, DWORD to_write, LPDWORD written) {
  std::uint32_t count = 0;
  const ULONG status =
      cable().write(handle, static_cast<const std::uint8_t*>(buffer), to_write, &count);
  *written = count;
  return status;
}

ULONG __stdcall simulated_ft_set_divisor(PVOID handle, USHORT divisor) {
  return cable().set_divisor(handle, divisor);
}

ULONG __stdcall simulated_ft_set_bit_mode(PVOID handle, UCHAR mask, UCHAR mode) {
  return cable().set_bit_mode(handle, mask, mode);
}

}  // extern "C"
