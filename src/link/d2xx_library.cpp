#include "link/d2xx_library.hpp"

#include <cstdint>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#define TAPWRIGHT_D2XX_API __stdcall
#else
#include <dlfcn.h>
#define TAPWRIGHT_D2XX_API
#endif

namespace tapwright {

namespace {

#ifdef _WIN32
using Dword = DWORD;
using Ulong = ULONG;
#else
// The Linux and macOS libraries declare DWORD and ULONG in their own headers,
// 32 or 64 bits wide depending on the release. Counts are passed through
// 64-bit storage, zeroed first, so that either width reads back right; the
// status is read as 32 bits, which holds every status the library returns.
using Dword = std::uint64_t;
using Ulong = std::uint32_t;
#endif

using OpenFn = Ulong(TAPWRIGHT_D2XX_API*)(int, void**);
using CloseFn = Ulong(TAPWRIGHT_D2XX_API*)(void*);
#ifdef _WIN32
using ReadFn = Ulong(TAPWRIGHT_D2XX_API*)(void*, void*, DWORD, DWORD*);
using WriteFn = Ulong(TAPWRIGHT_D2XX_API*)(void*, void*, DWORD, DWORD*);
#else
using ReadFn = Ulong (*)(void*, void*, std::uint32_t, void*);
using WriteFn = Ulong (*)(void*, void*, std::uint32_t, void*);
#endif
using SetDivisorFn = Ulong(TAPWRIGHT_D2XX_API*)(void*, unsigned short);
using SetBitModeFn = Ulong(TAPWRIGHT_D2XX_API*)(void*, unsigned char, unsigned char);
using CreateDeviceInfoListFn = Ulong(TAPWRIGHT_D2XX_API*)(Dword*);
using GetDeviceInfoDetailFn = Ulong(TAPWRIGHT_D2XX_API*)(Dword, Dword*, Dword*, Dword*, Dword*,
                                                         char*, char*, void**);
using OpenExFn = Ulong(TAPWRIGHT_D2XX_API*)(void*, Dword, void**);
using SetTimeoutsFn = Ulong(TAPWRIGHT_D2XX_API*)(void*, Ulong, Ulong);

struct Operation {
  int ordinal;
  const char* name;
};
constexpr Operation op_open{1, "FT_Open"};
constexpr Operation op_close{2, "FT_Close"};
constexpr Operation op_read{3, "FT_Read"};
constexpr Operation op_write{4, "FT_Write"};
constexpr Operation op_set_divisor{26, "FT_SetDivisor"};
constexpr Operation op_set_bit_mode{31, "FT_SetBitMode"};

void* load_module(const std::string& path) {
#ifdef _WIN32
  return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
#else
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void unload_module(void* module) {
#ifdef _WIN32
  FreeLibrary(reinterpret_cast<HMODULE>(module));
#else
  dlclose(module);
#endif
}

template <typename Fn>
Fn look_up(void* module, Operation op) {
#ifdef _WIN32
  // FTD2XX.dll is imported by ordinal only.
  FARPROC proc = GetProcAddress(reinterpret_cast<HMODULE>(module),
                                MAKEINTRESOURCEA(static_cast<WORD>(op.ordinal)));
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
#else
  return reinterpret_cast<Fn>(dlsym(module, op.name));
#endif
}

void* symbol(void* module, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
#else
  return dlsym(module, name);
#endif
}

// FT_OpenEx's ways of naming a device.
constexpr Dword open_by_serial_number = 1;
constexpr Dword open_by_location = 4;

// The vendor library's entry for one channel: the chip's serial and
// description end in the channel letter on a multi-channel chip.
ListedChannel listed_channel(std::uint32_t type, std::uint32_t id, std::uint32_t location,
                             const char* serial, const char* description) {
  ListedChannel listed;
  listed.chip = find_ftdi_chip_by_d2xx_type(type);
  listed.vid = static_cast<std::uint16_t>(id >> 16);
  listed.pid = static_cast<std::uint16_t>(id & 0xFFFF);
  listed.serial = listed.open_serial = serial;
  listed.description = description;
  listed.location = location;
  if (listed.chip && listed.chip->channels > 1) {
    const char last = listed.serial.empty() ? 0 : listed.serial.back();
    const char named = listed.description.size() > 2 ? listed.description.back() : 0;
    listed.channel = last >= 'A' && last <= 'D' ? last : named >= 'A' && named <= 'D' ? named : 'A';
    if (last == listed.channel) listed.serial.pop_back();
    if (named == listed.channel && listed.description.end()[-2] == ' ') {
      listed.description.resize(listed.description.size() - 2);
    }
  }
  return listed;
}

// Whether `channel` is on the same chip as the entry before it.
bool same_chip(const ListedChannel& before, const ListedChannel& channel) {
  return before.chip == channel.chip && channel.chip && channel.channel > before.channel &&
         (before.serial.empty() ? before.location + 1 == channel.location
                                : before.serial == channel.serial);
}

}  // namespace

struct D2xxLibrary::Entries {
  OpenFn open = nullptr;
  CloseFn close = nullptr;
  ReadFn read = nullptr;
  WriteFn write = nullptr;
  SetDivisorFn set_divisor = nullptr;
  SetBitModeFn set_bit_mode = nullptr;
};

D2xxLibrary::D2xxLibrary() : D2xxLibrary(default_name()) {}

D2xxLibrary::D2xxLibrary(std::string path) : path_(std::move(path)) {}

D2xxLibrary::~D2xxLibrary() {
  delete entries_;
  if (module_) unload_module(module_);
}

const char* D2xxLibrary::default_name() {
#if defined(_WIN32)
  return "FTD2XX.dll";
#elif defined(__APPLE__)
  return "libftd2xx.dylib";
#else
  return "libftd2xx.so";
#endif
}

int D2xxLibrary::load() {
  if (entries_) return 1;
  if (tried_) return 0;
  tried_ = true;
  module_ = load_module(path_);
  if (!module_) return 0;
  auto* e = new Entries;
  e->open = look_up<OpenFn>(module_, op_open);
  e->close = look_up<CloseFn>(module_, op_close);
  e->read = look_up<ReadFn>(module_, op_read);
  e->write = look_up<WriteFn>(module_, op_write);
  e->set_divisor = look_up<SetDivisorFn>(module_, op_set_divisor);
  e->set_bit_mode = look_up<SetBitModeFn>(module_, op_set_bit_mode);
  if (!e->open || !e->close || !e->read || !e->write || !e->set_divisor || !e->set_bit_mode) {
    delete e;
    unload_module(module_);
    module_ = nullptr;
    return 0;
  }
  entries_ = e;
  return 1;
}

DeviceStatus D2xxLibrary::open(int index, DeviceHandle* handle) {
  if (!load()) return device_error;
  void* raw = nullptr;
  const auto status = static_cast<DeviceStatus>(entries_->open(index, &raw));
  if (status == device_ok) *handle = raw;
  return status;
}

void* D2xxLibrary::named(const char* name) {
  const bool loaded = load();
  void* function = loaded ? symbol(module_, name) : nullptr;
  if (!function) {
    failure_ = std::string("the vendor library ") + default_name() +
               (loaded ? std::string(" has no ") + name : " could not be loaded");
  }
  return function;
}

DeviceStatus D2xxLibrary::open_channel(int index, char channel, DeviceHandle* handle) {
  if (channel < 'A' || channel > 'D') return device_error;
  return open(index + (channel - 'A'), handle);
}

int D2xxLibrary::list_channels(DeviceList& channels) {
  auto* create = reinterpret_cast<CreateDeviceInfoListFn>(named("FT_CreateDeviceInfoList"));
  auto* detail = reinterpret_cast<GetDeviceInfoDetailFn>(named("FT_GetDeviceInfoDetail"));
  if (!create || !detail) return 0;
  Dword count = 0;
  if (create(&count) != device_ok) {
    failure_ = "the vendor library could not list the devices";
    return 0;
  }
  for (Dword i = 0; i < static_cast<std::uint32_t>(count); ++i) {
    Dword flags = 0, type = 0, id = 0, location = 0;
    char serial[16] = "", description[64] = "";
    void* handle = nullptr;
    if (detail(i, &flags, &type, &id, &location, serial, description, &handle) != device_ok) {
      continue;
    }
    ListedChannel listed =
        listed_channel(static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(id),
                       static_cast<std::uint32_t>(location), serial, description);
    listed.device = channels.empty() ? 0 : channels.back().device + 1;
    if (!channels.empty() && same_chip(channels.back(), listed)) listed.device--;
    channels.push_back(std::move(listed));
  }
  return 1;
}

DeviceStatus D2xxLibrary::open_listed(const ListedChannel& channel, DeviceHandle* handle) {
  auto* open_ex = reinterpret_cast<OpenExFn>(named("FT_OpenEx"));
  if (!open_ex) return device_error;
  void* raw = nullptr;
  const auto status = static_cast<DeviceStatus>(
      channel.open_serial.empty()
          ? open_ex(reinterpret_cast<void*>(static_cast<std::uintptr_t>(channel.location)),
                    open_by_location, &raw)
          : open_ex(const_cast<char*>(channel.open_serial.c_str()), open_by_serial_number, &raw));
  if (status == device_ok) *handle = raw;
  return status;
}

DeviceStatus D2xxLibrary::set_timeouts(DeviceHandle handle, std::uint32_t read_ms,
                                       std::uint32_t write_ms) {
  auto* set = reinterpret_cast<SetTimeoutsFn>(named("FT_SetTimeouts"));
  if (!set) return device_error;
  return static_cast<DeviceStatus>(set(handle, read_ms, write_ms));
}

DeviceStatus D2xxLibrary::close(DeviceHandle handle) {
  if (!entries_) return device_error;
  return static_cast<DeviceStatus>(entries_->close(handle));
}

DeviceStatus D2xxLibrary::read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                               std::uint32_t* got) {
  *got = 0;
  if (!entries_) return device_error;
  Dword count = 0;
  const auto status = static_cast<DeviceStatus>(entries_->read(handle, buffer, to_read, &count));
  *got = static_cast<std::uint32_t>(count);
  return status;
}

DeviceStatus D2xxLibrary::write(DeviceHandle handle, const std::uint8_t* buffer,
                                std::uint32_t to_write, std::uint32_t* written) {
  *written = 0;
  if (!entries_) return device_error;
  Dword count = 0;
  // The library's prototype takes a non-const buffer; it does not write to it.
  const auto status = static_cast<DeviceStatus>(
      entries_->write(handle, const_cast<std::uint8_t*>(buffer), to_write, &count));
  *written = static_cast<std::uint32_t>(count);
  return status;
}

DeviceStatus D2xxLibrary::set_divisor(DeviceHandle handle, std::uint16_t divisor) {
  if (!entries_) return device_error;
  return static_cast<DeviceStatus>(entries_->set_divisor(handle, divisor));
}

DeviceStatus D2xxLibrary::set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) {
  if (!entries_) return device_error;
  return static_cast<DeviceStatus>(entries_->set_bit_mode(handle, mask, mode));
}

}  // namespace tapwright
