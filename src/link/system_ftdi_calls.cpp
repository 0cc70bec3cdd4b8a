#include "link/system_ftdi_calls.hpp"

#include <ftdi.h>

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

int SystemFtdiCalls::transfer_data_done(ftdi_transfer_control* transfer) {
  return ftdi_transfer_data_done(transfer);
}

}  // namespace tapwright
