#pragma once
// The calls into libftdi1 that the libftdi1 back end makes, as an interface,
// so that tests can stand in for the library and the USB bus. Each has the
// meaning and result of the libftdi1 function of the same name (ftdi_new,
// ftdi_usb_open_desc_index, ...): a negative result is an error.

#include <cstdint>
#include <string>
#include <vector>

// libftdi1's context and transfer, opaque here so that only the real calls
// need its header.
struct ftdi_context;
struct ftdi_transfer_control;

namespace tapwright {

// libftdi1's mode values (enum ftdi_mpsse_mode) for the two bit-bang modes.
inline constexpr unsigned char ftdi_bitmode_bitbang = 0x01;
inline constexpr unsigned char ftdi_bitmode_syncbb = 0x04;

// A device of the bus as a listing finds it: its descriptor's IDs and
// release, where it sits, and its strings (empty when it has none or they
// could not be read).
struct UsbDevice {
  std::uint16_t vid = 0, pid = 0, bcd_device = 0;
  int bus = -1, address = -1;
  std::string description, serial;
};

class FtdiCalls {
 public:
  virtual ~FtdiCalls() = default;

  // Null when the USB library cannot start.
  virtual ftdi_context* new_context() = 0;
  virtual void free_context(ftdi_context* context) = 0;
  // Opens device `index` (0 the first) of one vendor and product ID: 0 on success.
  virtual int usb_open_desc_index(ftdi_context* context, int vendor, int product,
                                  unsigned int index) = 0;
  // Opens the device at bus `bus`, address `address`: 0 on success.
  virtual int usb_open_bus_addr(ftdi_context* context, int bus, int address) = 0;
  // Appends the devices of one vendor and product ID (ftdi_usb_find_all,
  // then each one's strings): their number, or negative.
  virtual int find_all(ftdi_context* context, int vendor, int product,
                       std::vector<UsbDevice>& found) = 0;
  virtual int usb_close(ftdi_context* context) = 0;
  // The channel the next open takes: 1 for A, 2 for B, ...
  virtual int set_interface(ftdi_context* context, int interface) = 0;
  virtual int set_bitmode(ftdi_context* context, unsigned char mask, unsigned char mode) = 0;
  // In bit-bang mode libftdi1 clocks the port at four times this rate.
  virtual int set_baudrate(ftdi_context* context, int baudrate) = 0;
  // The size of each USB transfer that read_data asks the chip for.
  virtual int read_data_set_chunksize(ftdi_context* context, unsigned int size) = 0;
  // The bulk packet size of the opened chip: 64 at full speed, 512 at high
  // speed. Not a call into libftdi1 but a field of its context.
  virtual int max_packet_size(ftdi_context* context) = 0;
  // The number of bytes taken or delivered.
  virtual int write_data(ftdi_context* context, const unsigned char* buffer, int size) = 0;
  virtual int read_data(ftdi_context* context, unsigned char* buffer, int size) = 0;
  // Transfers that run while the caller goes on, until transfer_data_done
  // waits for them: null when they could not be started.
  virtual ftdi_transfer_control* write_data_submit(ftdi_context* context,
                                                   const unsigned char* buffer, int size) = 0;
  virtual ftdi_transfer_control* read_data_submit(ftdi_context* context, unsigned char* buffer,
                                                  int size) = 0;
  // Waits until the transfer is over, or until it has moved nothing for
  // `idle_ms` (then it is cancelled: libftdi1 itself would wait for ever on
  // a chip that stopped answering). The bytes it moved, or negative; the
  // transfer is gone after.
  virtual int transfer_data_done(ftdi_transfer_control* transfer, int idle_ms) = 0;
};

}  // namespace tapwright
