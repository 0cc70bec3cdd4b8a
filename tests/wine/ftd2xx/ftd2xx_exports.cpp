// The entry points of the test FTD2XX.dll, with the vendor library's
// argument types and calling convention, each passed on to one simulated
// cable (the default chain). ftd2xx.def exports them by ordinal only.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
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
  // What the last FT_CreateDeviceInfoList listed.
  tapwright::DeviceList listed;
};

SimulatedCable& simulated() {
  static SimulatedCable simulated;
  return simulated;
}

tapwright::Device& cable() {
  return simulated().device;
}

// The vendor library lists each channel of a multi-channel chip as a device
// whose serial and description end in its letter.
std::string letter_of(const tapwright::ListedChannel& channel, const char* between) {
  const bool several = channel.chip && channel.chip->channels > 1;
  return several ? between + std::string(1, channel.channel) : std::string();
}

}  // namespace

extern "C" {

ULONG __stdcall simulated_ft_open(int index, PVOID* handle) {
  return cable().open(index, handle);
}

ULONG __stdcall simulated_ft_create_device_info_list(LPDWORD count) {
  simulated().listed.clear();
  cable().list_channels(simulated().listed);
  *count = static_cast<DWORD>(simulated().listed.size());
  return 0;
}

ULONG __stdcall simulated_ft_get_device_info_detail(DWORD index, LPDWORD flags, LPDWORD type,
                                                    LPDWORD id, LPDWORD location, PCHAR serial,
                                                    PCHAR description, PVOID* handle) {
  if (index >= simulated().listed.size()) return 1;
  const tapwright::ListedChannel& channel = simulated().listed[index];
  *flags = 0;
  *type = channel.chip ? channel.chip->d2xx_type : 3;
  *id = static_cast<DWORD>(channel.vid) << 16 | channel.pid;
  *location = 0x10 + index;
  std::snprintf(serial, 16, "%s", (channel.serial + letter_of(channel, "")).c_str());
  std::snprintf(description, 64, "%s", (channel.description + letter_of(channel, " ")).c_str());
  *handle = nullptr;
  return 0;
}

// By serial (flags 1) or location (flags 4), as listed.
ULONG __stdcall simulated_ft_open_ex(PVOID name, DWORD flags, PVOID* handle) {
  DWORD index = 0;
  for (const tapwright::ListedChannel& channel : simulated().listed) {
    const bool named = flags == 1 && channel.serial + letter_of(channel, "") ==
                                         static_cast<const char*>(name);
    if (named || (flags == 4 && reinterpret_cast<ULONG_PTR>(name) == 0x10 + index)) {
      return cable().open_listed(channel, handle);
    }
    ++index;
  }
  return 2;  // the vendor library's "device not found"
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
