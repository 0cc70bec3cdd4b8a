#pragma once
// The vendor's D2XX library, loaded at run time: FTD2XX.dll on Windows, where
// the operations are looked up by ordinal, and libftd2xx.so / .dylib elsewhere,
// where they are looked up by name. A missing library or operation makes open
// fail, so the player says it cannot open the device instead of crashing.
#include <string>

#include "link/device.hpp"

namespace tapwright {

class D2xxLibrary final : public Device {
 public:
  // The platform's library name, found on the usual search path.
  D2xxLibrary();
  // A library at a path of the caller's choosing.
  explicit D2xxLibrary(std::string path);
  ~D2xxLibrary() override;
  D2xxLibrary(const D2xxLibrary&) = delete;
  D2xxLibrary& operator=(const D2xxLibrary&) = delete;

  static const char* default_name();

  // Loads the library and its six operations if not done yet; 1 when all are
  // there. open() calls it, so a caller need not.
  int load();

  DeviceStatus open(int index, DeviceHandle* handle) override;
  DeviceStatus close(DeviceHandle handle) override;
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override;
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override;
  DeviceStatus set_divisor(DeviceHandle handle, std::uint16_t divisor) override;
  DeviceStatus set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) override;
  // The library lists each channel of a chip as a device of its own, after
  // the one before it: channel B of the first chip is device 1.
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override;
  // From the library's device list (FT_CreateDeviceInfoList,
  // FT_GetDeviceInfoDetail), found by name: each channel of a chip is a
  // device of its own there, its serial the chip's with the channel letter.
  int list_channels(DeviceList& channels) override;
  // FT_OpenEx by the serial the library listed, or by location without one.
  DeviceStatus open_listed(const ListedChannel& channel, DeviceHandle* handle) override;
  DeviceStatus set_timeouts(DeviceHandle handle, std::uint32_t read_ms,
                            std::uint32_t write_ms) override;
  std::string failure() const override { return failure_; }

 private:
  struct Entries;
  std::string path_;
  void* module_ = nullptr;
  Entries* entries_ = nullptr;
  bool tried_ = false;
  std::string failure_;
  // A function beyond the six, by name; null (with failure_ set) when the
  // library has none of that name.
  void* named(const char* name);
};

}  // namespace tapwright
