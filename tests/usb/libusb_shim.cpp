// The libusb-1.0 functions that libftdi1 links against, over an emulated
// bus of FTDI chips. Built as libusb-1.0.so.0 in a folder of its own: a test
// puts that folder first on the loader's path, and the real, unmodified
// libftdi1 then runs over the chips. The bus is described by the
// TAPWRIGHT_USB_EMU variable (see bus_settings.hpp) and lives as long as the
// process, since a real one outlasts every libusb context that opens it; its
// devices write their files at exit.
#include <libusb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "usb_bus.hpp"

struct libusb_context {};

// A device as libusb lists it, with what libftdi1 reads of its descriptors:
// the IDs, the chip's release (which tells it the chip), the string
// indexes, and one configuration with an interface per channel, whose
// first endpoint tells the packet size.
struct libusb_device {
  explicit libusb_device(tapwright::usb::EmulatedChip& emulated) : chip(emulated) {
    const tapwright::usb::ChipModel& model = chip.model();
    const auto packet = static_cast<std::uint16_t>(model.packet);
    descriptor = {.bLength = LIBUSB_DT_DEVICE_SIZE,
                  .bDescriptorType = LIBUSB_DT_DEVICE,
                  .bcdUSB = static_cast<std::uint16_t>(model.high_speed() ? 0x0200 : 0x0110),
                  .bMaxPacketSize0 = 64,
                  .idVendor = chip.vendor(),
                  .idProduct = chip.product(),
                  .bcdDevice = model.bcd_device,
                  .iManufacturer = 1,
                  .iProduct = 2,
                  .iSerialNumber = static_cast<std::uint8_t>(chip.text(3).empty() ? 0 : 3),
                  .bNumConfigurations = 1};
    for (int i = 0; i < model.channels; ++i) {
      const auto in = static_cast<std::uint8_t>(0x81 + 2 * i);
      const auto out = static_cast<std::uint8_t>(0x02 + 2 * i);
      endpoints[i][0] = {.bEndpointAddress = in, .bmAttributes = 2, .wMaxPacketSize = packet};
      endpoints[i][1] = {.bEndpointAddress = out, .bmAttributes = 2, .wMaxPacketSize = packet};
      settings[i] = {.bInterfaceNumber = static_cast<std::uint8_t>(i),
                     .bNumEndpoints = 2,
                     .bInterfaceClass = 0xff,
                     .endpoint = endpoints[i]};
      interfaces[i] = {.altsetting = &settings[i], .num_altsetting = 1};
    }
    config = {.bNumInterfaces = static_cast<std::uint8_t>(model.channels),
              .bConfigurationValue = 1,
              .interface = interfaces};
  }
  tapwright::usb::EmulatedChip& chip;
  libusb_device_descriptor descriptor{};
  libusb_endpoint_descriptor endpoints[4][2]{};
  libusb_interface_descriptor settings[4]{};
  libusb_interface interfaces[4]{};
  libusb_config_descriptor config{};
};

struct libusb_device_handle {
  libusb_device* device;
};

namespace tapwright::usb {
namespace {

struct Emulation {
  explicit Emulation(const char* settings) : bus(settings) {
    for (auto& chip : bus.devices()) listed.push_back(std::make_unique<libusb_device>(*chip));
  }
  Bus bus;
  std::vector<std::unique_ptr<libusb_device>> listed;
};

// One per process, as the real bus is one per machine.
std::unique_ptr<Emulation>& instance() {
  static std::unique_ptr<Emulation> emulation;
  return emulation;
}

Emulation& emulation() {
  if (!instance()) instance() = std::make_unique<Emulation>(std::getenv("TAPWRIGHT_USB_EMU"));
  return *instance();
}

Bus& bus() {
  return emulation().bus;
}

EmulatedChip& chip_of(libusb_device_handle* handle) {
  return handle->device->chip;
}

}  // namespace

EmulatedChip* emulated_chip(int position) {
  auto& devices = bus().devices();
  return position < static_cast<int>(devices.size()) ? devices[position].get() : nullptr;
}

}  // namespace tapwright::usb

using tapwright::usb::bus;
using tapwright::usb::chip_of;
using tapwright::usb::emulation;

extern "C" {

int libusb_init(libusb_context** context) {
  bus();
  *context = new libusb_context;
  return 0;
}

void libusb_exit(libusb_context* context) {
  delete context;
}

// The devices still plugged in.
ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list) {
  auto& listed = emulation().listed;
  *list = new libusb_device*[listed.size() + 1]();
  ssize_t count = 0;
  for (auto& device : listed) {
    if (!device->chip.unplugged()) (*list)[count++] = device.get();
  }
  return count;
}

void libusb_free_device_list(libusb_device** list, int) {
  delete[] list;
}

libusb_device* libusb_ref_device(libusb_device* device) {
  return device;
}

void libusb_unref_device(libusb_device*) {}

int libusb_get_device_descriptor(libusb_device* device, libusb_device_descriptor* descriptor) {
  *descriptor = device->descriptor;
  return 0;
}

int libusb_get_config_descriptor(libusb_device* device, uint8_t,
                                 libusb_config_descriptor** config) {
  *config = &device->config;
  return 0;
}

void libusb_free_config_descriptor(libusb_config_descriptor*) {}

uint8_t libusb_get_bus_number(libusb_device* device) {
  return static_cast<uint8_t>(device->chip.bus());
}

uint8_t libusb_get_device_address(libusb_device* device) {
  return static_cast<uint8_t>(device->chip.address());
}

int libusb_open(libusb_device* device, libusb_device_handle** handle) {
  if (device->chip.unplugged()) return LIBUSB_ERROR_NO_DEVICE;
  *handle = new libusb_device_handle{device};
  return 0;
}

void libusb_close(libusb_device_handle* handle) {
  delete handle;
}

// Strings 1 to 3 (manufacturer, product, serial), in the chip's first
// language; index 0 is the language table, not a string. The model answers
// at once: the strings take no bus time and count as no transfer.
int libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                       unsigned char* data, int length) {
  if (chip_of(handle).unplugged()) return LIBUSB_ERROR_NO_DEVICE;
  if (index < 1 || index > 3 || chip_of(handle).text(index).empty() || length < 1) {
    return LIBUSB_ERROR_INVALID_PARAM;
  }
  const std::string& text = chip_of(handle).text(index);
  const int count = std::min(static_cast<int>(text.size()), length - 1);
  std::memcpy(data, text.data(), static_cast<std::size_t>(count));
  data[count] = 0;
  return count;
}

int libusb_get_configuration(libusb_device_handle*, int* config) {
  *config = 1;
  return 0;
}

// The kernel's serial driver holds each interface until it is detached.
int libusb_detach_kernel_driver(libusb_device_handle* handle, int interface) {
  tapwright::usb::EmulatedChip& chip = chip_of(handle);
  if (interface < 0 || interface >= chip.channel_count()) return LIBUSB_ERROR_NOT_FOUND;
  if (!chip.channel(interface).driver_bound) return LIBUSB_ERROR_NOT_FOUND;
  chip.channel(interface).driver_bound = false;
  return 0;
}

int libusb_claim_interface(libusb_device_handle* handle, int interface) {
  tapwright::usb::EmulatedChip& chip = chip_of(handle);
  if (interface < 0 || interface >= chip.channel_count()) return LIBUSB_ERROR_NOT_FOUND;
  return chip.channel(interface).driver_bound ? LIBUSB_ERROR_BUSY : 0;
}

int libusb_release_interface(libusb_device_handle* handle, int) {
  return chip_of(handle).unplugged() ? LIBUSB_ERROR_NO_DEVICE : 0;
}

int libusb_control_transfer(libusb_device_handle* handle, uint8_t request_type, uint8_t request,
                            uint16_t value, uint16_t index, unsigned char* data, uint16_t length,
                            unsigned int timeout) {
  return bus().control(chip_of(handle), request_type, request, value, index, data, length, timeout);
}

int libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data,
                         int length, int* transferred, unsigned int timeout) {
  return bus().bulk(chip_of(handle), endpoint, data, length, transferred, timeout);
}

libusb_transfer* libusb_alloc_transfer(int iso_packets) {
  const std::size_t size = sizeof(libusb_transfer) + static_cast<std::size_t>(iso_packets) *
                                                         sizeof(libusb_iso_packet_descriptor);
  return static_cast<libusb_transfer*>(std::calloc(1, size));
}

void libusb_free_transfer(libusb_transfer* transfer) {
  if (bus().holds(transfer)) chip_of(transfer->dev_handle).refuse("a transfer freed in flight");
  std::free(transfer);
}

int libusb_submit_transfer(libusb_transfer* transfer) {
  return bus().submit(chip_of(transfer->dev_handle), transfer);
}

int libusb_cancel_transfer(libusb_transfer* transfer) {
  return bus().cancel(transfer);
}

int libusb_handle_events_timeout_completed(libusb_context*, struct timeval* tv, int* completed) {
  return bus().handle_events(tv, completed);
}

int libusb_handle_events_timeout(libusb_context*, struct timeval* tv) {
  return bus().handle_events(tv, nullptr);
}

// libftdi1 links these, but never calls them on the players' way: if it
// ever does, the test says so instead of going on with a wrong answer.
#define UNMODELLED(result, name, ...)                                     \
  result name(__VA_ARGS__) {                                              \
    std::fprintf(stderr, "emulated libusb: %s is not modelled\n", #name); \
    std::abort();                                                         \
  }
UNMODELLED(int, libusb_set_configuration, libusb_device_handle*, int)
UNMODELLED(int, libusb_set_auto_detach_kernel_driver, libusb_device_handle*, int)

}  // extern "C"
