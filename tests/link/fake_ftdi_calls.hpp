#pragma once
// libftdi1 and one FTDI chip on the USB bus, as the libftdi1 back end sees
// them through FtdiCalls: every call is recorded, and in synchronous
// bit-bang mode the chip returns one byte per byte written (the written byte
// with TDO following TDI) at most `packet` bytes per read, holding no more
// than `chip_buffer` returned bytes before it stops taking writes, as the
// real chip does when nobody reads.
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/ftdi_calls.hpp"

namespace tapwright::testing {

struct FtdiCall {
  std::string name;
  int a = 0;  // open: product; set_bitmode: mask; set_baudrate: rate; read/write: size
  int b = 0;  // open: index; set_bitmode: mode
  bool operator==(const FtdiCall&) const = default;
};

class FakeFtdiCalls final : public FtdiCalls {
 public:
  // Product IDs that have a device on the bus.
  std::vector<int> attached;
  bool usb_starts = true;
  int bitmode_result = 0;
  int baudrate_result = 0;
  // Per write call, a count to report instead of what the chip takes.
  std::deque<int> write_results;
  // Per read call, a result to report instead of what the chip returns.
  std::deque<int> read_results;
  int packet = 62;
  int chip_buffer = 384;
  // Whether the chip answers writes at all (a stalled or unplugged chip does not).
  bool returns_bytes = true;

  std::vector<FtdiCall> calls;
  std::vector<std::uint8_t> written;
  int contexts_alive = 0;
  int most_in_chip = 0;
  // Advanced by every read call, for the back end's time-outs.
  std::chrono::steady_clock::time_point now{};
  std::chrono::milliseconds read_takes{10};

  ftdi_context* new_context() override;
  void free_context(ftdi_context* context) override;
  int usb_open_desc_index(ftdi_context* context, int vendor, int product,
                          unsigned int index) override;
  int usb_close(ftdi_context* context) override;
  int set_bitmode(ftdi_context* context, unsigned char mask, unsigned char mode) override;
  int set_baudrate(ftdi_context* context, int baudrate) override;
  int write_data(ftdi_context* context, const unsigned char* buffer, int size) override;
  int read_data(ftdi_context* context, unsigned char* buffer, int size) override;

  std::vector<std::string> call_names() const;

 private:
  int sync_ = 0;
  std::deque<std::uint8_t> returned_;
  int context_token_ = 0;
};

}  // namespace tapwright::testing
