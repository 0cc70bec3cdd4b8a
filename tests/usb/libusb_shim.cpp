// The libusb-1.0 functions that libftdi1 links against, over one emulated
// FTDI chip. Built as libusb-1.0.so.0 in a folder of its own: a test puts
// that folder first on the loader's path, and the real, unmodified libftdi1
// then runs over the chip. The chip is described by the TAPWRIGHT_USB_EMU
// variable (see EmulatorOptions) and lives as long as the process, since a
// real one outlasts every libusb context that opens it; it writes its files
// at exit.
#include <libusb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "emulated_chip.hpp"

struct libusb_context {};
struct libusb_device {};
struct libusb_device_handle {};

namespace tapwright::usb {
namespace {

// The bus, with what libftdi1 reads of the descriptors: the IDs, the chip's
// release (which tells it the chip), and one configuration with one
// interface (the port modelled) whose first endpoint tells the packet size.
struct Bus {
  Bus() {
    const Settings settings = parse_settings(std::getenv("TAPWRIGHT_USB_EMU"));
    if (settings.at("chip") == "none") return;
    chip = std::make_unique<EmulatedChip>(settings);
    const ChipModel& model = chip->model();
    device = {.idVendor = 0x0403,
              .idProduct = model.product,
              .bcdDevice = model.bcd_device,
              .bNumConfigurations = 1};
    endpoint = {.wMaxPacketSize = static_cast<std::uint16_t>(model.packet)};
    setting = {.bNumEndpoints = 1, .endpoint = &endpoint};
    interface = {.altsetting = &setting, .num_altsetting = 1};
    config = {.bNumInterfaces = 1, .bConfigurationValue = 1, .interface = &interface};
  }
  std::unique_ptr<EmulatedChip> chip;  // null: no chip on the bus
  libusb_device listed;
  libusb_device_descriptor device{};
  libusb_endpoint_descriptor endpoint{};
  libusb_interface_descriptor setting{};
  libusb_interface interface {};
  libusb_config_descriptor config{};
};

// One per process, as the real bus is one per machine.
Bus& bus() {
  static Bus instance;
  return instance;
}

}  // namespace

EmulatedChip* emulated_chip() {
  return bus().chip.get();
}

}  // namespace tapwright::usb

using tapwright::usb::bus;

extern "C" {

int libusb_init(libusb_context** context) {
  bus();
  *context = new libusb_context;
  return 0;
}

void libusb_exit(libusb_context* context) {
  delete context;
}

ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list) {
  const bool listed = bus().chip && !bus().chip->unplugged();
  *list = new libusb_device* [2] { listed ? &bus().listed : nullptr, nullptr };
  return listed ? 1 : 0;
}

void libusb_free_device_list(libusb_device** list, int) {
  delete[] list;
}

libusb_device* libusb_ref_device(libusb_device* device) {
  return device;
}

void libusb_unref_device(libusb_device*) {}

int libusb_get_device_descriptor(libusb_device*, libusb_device_descriptor* descriptor) {
  *descriptor = bus().device;
  return 0;
}

int libusb_get_config_descriptor(libusb_device*, uint8_t, libusb_config_descriptor** config) {
  *config = &bus().config;
  return 0;
}

void libusb_free_config_descriptor(libusb_config_descriptor*) {}

int libusb_open(libusb_device*, libusb_device_handle** handle) {
  if (bus().chip->unplugged()) return LIBUSB_ERROR_NO_DEVICE;
  *handle = new libusb_device_handle;
  return 0;
}

void libusb_close(libusb_device_handle* handle) {
  delete handle;
}

int libusb_get_configuration(libusb_device_handle*, int* config) {
  *config = 1;
  return 0;
}

// The kernel's serial driver holds the interface until it is detached.
int libusb_detach_kernel_driver(libusb_device_handle*, int) {
  if (!bus().chip->driver_bound) return LIBUSB_ERROR_NOT_FOUND;
  bus().chip->driver_bound = false;
  return 0;
}

int libusb_claim_interface(libusb_device_handle*, int) {
  return bus().chip->driver_bound ? LIBUSB_ERROR_BUSY : 0;
}

int libusb_release_interface(libusb_device_handle*, int) {
  return bus().chip->unplugged() ? LIBUSB_ERROR_NO_DEVICE : 0;
}

int libusb_control_transfer(libusb_device_handle*, uint8_t request_type, uint8_t request,
                            uint16_t value, uint16_t index, unsigned char*, uint16_t length,
                            unsigned int timeout) {
  return bus().chip->control(request_type, request, value, index, length, timeout);
}

int libusb_bulk_transfer(libusb_device_handle*, unsigned char endpoint, unsigned char* data,
                         int length, int* transferred, unsigned int timeout) {
  return bus().chip->bulk(endpoint, data, length, transferred, timeout);
}

// libftdi1 links these, but never calls them on tapwright's way: if it
// ever does, the test says so instead of going on with a wrong answer.
#define UNMODELLED(result, name, ...)                                     \
  result name(__VA_ARGS__) {                                              \
    std::fprintf(stderr, "emulated libusb: %s is not modelled\n", #name); \
    std::abort();                                                         \
  }
UNMODELLED(uint8_t, libusb_get_bus_number, libusb_device*)
UNMODELLED(uint8_t, libusb_get_device_address, libusb_device*)
UNMODELLED(int, libusb_set_configuration, libusb_device_handle*, int)
UNMODELLED(int, libusb_set_auto_detach_kernel_driver, libusb_device_handle*, int)
UNMODELLED(int, libusb_get_string_descriptor_ascii, libusb_device_handle*, uint8_t, unsigned char*,
           int)
UNMODELLED(libusb_transfer*, libusb_alloc_transfer, int)
UNMODELLED(void, libusb_free_transfer, libusb_transfer*)
UNMODELLED(int, libusb_submit_transfer, libusb_transfer*)
UNMODELLED(int, libusb_cancel_transfer, libusb_transfer*)
UNMODELLED(int, libusb_handle_events_timeout, libusb_context*, struct timeval*)
UNMODELLED(int, libusb_handle_events_timeout_completed, libusb_context*, struct timeval*, int*)

}  // extern "C"
