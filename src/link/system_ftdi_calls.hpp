#pragma once
// The real libftdi1, behind the interface the libftdi1 back end uses.
#include "link/ftdi_calls.hpp"

namespace tapwright {

class SystemFtdiCalls final : public FtdiCalls {
 public:
  ftdi_context* new_context() override;
  void free_context(ftdi_context* context) override;
  int usb_open_desc_index(ftdi_context* context, int vendor, int product,
                          unsigned int index) override;
  int usb_open_bus_addr(ftdi_context* context, int bus, int address) override;
  int find_all(ftdi_context* context, int vendor, int product,
               std::vector<UsbDevice>& found) override;
  int usb_close(ftdi_context* context) override;
  int set_interface(ftdi_context* context, int interface) override;
  int set_bitmode(ftdi_context* context, unsigned char mask, unsigned char mode) override;
  int set_baudrate(ftdi_context* context, int baudrate) override;
  int read_data_set_chunksize(ftdi_context* context, unsigned int size) override;
  int max_packet_size(ftdi_context* context) override;
  int write_data(ftdi_context* context, const unsigned char* buffer, int size) override;
  int read_data(ftdi_context* context, unsigned char* buffer, int size) override;
  ftdi_transfer_control* write_data_submit(ftdi_context* context, const unsigned char* buffer,
                                           int size) override;
  ftdi_transfer_control* read_data_submit(ftdi_context* context, unsigned char* buffer,
                                          int size) override;
  int transfer_data_done(ftdi_transfer_control* transfer, int idle_ms) override;
};

}  // namespace tapwright
