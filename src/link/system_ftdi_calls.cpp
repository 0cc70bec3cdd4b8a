#include "link/system_ftdi_calls.hpp"

#include <ftdi.h>
#include <libusb.h>

#include <cstdint>
#include <utility>

namespace tapwright {

static_assert(ftdi_bitmode_bitbang == BITMODE_BITBANG);
static_assert(ftdi_bitmode_syncbb == BITMODE_SYNCBB);
static_assert(INTERFACE_A == 1 && INTERFACE_B == 2 && INTERFACE_D == 4);

ftdi_context* SystemFtdiCalls::new_context() {
  return ftdi_new();
}

void SystemFtdiCalls::free_context(ftdi_context* context) {
  ftdi_free(context);
}

int SystemFtdiCalls::usb_open_desc_index(ftdi_context* context, int vendor, int product,
                                         unsigned int index) {
  return ftdi_usb_open_desc_index(context, vendor, product, nullptr, nullptr, index);
}

int SystemFtdiCalls::usb_open_bus_addr(ftdi_context* context, int bus, int address) {
  return ftdi_usb_open_bus_addr(context, static_cast<std::uint8_t>(bus),
                                static_cast<std::uint8_t>(address));
}

int SystemFtdiCalls::find_all(ftdi_context* context, int vendor, int product,
                              std::vector<UsbDevice>& found) {
  ftdi_device_list* list = nullptr;
  const int count = ftdi_usb_find_all(context, &list, vendor, product);
  for (ftdi_device_list* each = list; each; each = each->next) {
    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(each->dev, &descriptor);
    UsbDevice device;
    device.vid = descriptor.idVendor;
    device.pid = descriptor.idProduct;
    device.bcd_device = descriptor.bcdDevice;
    device.bus = libusb_get_bus_number(each->dev);
    device.address = libusb_get_device_address(each->dev);
    // Read in order, so a missing serial leaves the description read; a
    // device that cannot be opened (no permission) is listed without them.
    char description[128] = "", serial[128] = "";
    ftdi_usb_get_strings(context, each->dev, nullptr, 0, description, sizeof description, serial,
                         sizeof serial);
    device.description = description;
    device.serial = serial;
    found.push_back(std::move(device));
  }
  ftdi_list_free(&list);
  return count;
}

int SystemFtdiCalls::usb_close(ftdi_context* context) {
  return ftdi_usb_close(context);
}

int SystemFtdiCalls::set_interface(ftdi_context* context, int interface) {
  return ftdi_set_interface(context, static_cast<ftdi_interface>(interface));
}

int SystemFtdiCalls::set_bitmode(ftdi_context* context, unsigned char mask, unsigned char mode) {
  return ftdi_set_bitmode(context, mask, mode);
}

int SystemFtdiCalls::set_baudrate(ftdi_context* context, int baudrate) {
  return ftdi_set_baudrate(context, baudrate);
}

int SystemFtdiCalls::read_data_set_chunksize(ftdi_context* context, unsigned int size) {
  return ftdi_read_data_set_chunksize(context, size);
}

int SystemFtdiCalls::max_packet_size(ftdi_context* context) {
  return static_cast<int>(context->max_packet_size);
}

int SystemFtdiCalls::write_data(ftdi_context* context, const unsigned char* buffer, int size) {
  return ftdi_write_data(context, buffer, size);
}

int SystemFtdiCalls::read_data(ftdi_context* context, unsigned char* buffer, int size) {
  return ftdi_read_data(context, buffer, size);
}

ftdi_transfer_control* SystemFtdiCalls::write_data_submit(ftdi_context* context,
                                                          const unsigned char* buffer, int size) {
  // libftdi1 takes a buffer it does not write to as a non-const pointer.
  return ftdi_write_data_submit(context, const_cast<unsigned char*>(buffer), size);
}

ftdi_transfer_control* SystemFtdiCalls::read_data_submit(ftdi_context* context,
                                                         unsigned char* buffer, int size) {
  return ftdi_read_data_submit(context, buffer, size);
}

int SystemFtdiCalls::transfer_data_done(ftdi_transfer_control* transfer, int idle_ms) {
  // Waiting in rounds that each last their whole time when nothing
  // happens: so many rounds without a byte moved are idle_ms of silence.
  constexpr int round_ms = 50;
  int idle = 0, moved = transfer->offset;
  while (!transfer->completed && idle < idle_ms) {
    timeval round{0, round_ms * 1000};
    if (libusb_handle_events_timeout_completed(transfer->ftdi->usb_ctx, &round,
                                               &transfer->completed) < 0) {
      break;
    }
    idle = transfer->offset == moved ? idle + round_ms : 0;
    moved = transfer->offset;
  }
  if (!transfer->completed) {
    timeval now{0, 0};
    ftdi_transfer_data_cancel(transfer, &now);
    return moved > 0 ? moved : -1;
  }
  return ftdi_transfer_data_done(transfer);
}

}  // namespace tapwright
