// The real libftdi1, in this process, over emulated buses: asynchronous
// transfers in flight both ways at once, and the MPSSE mode where a channel
// has it. (What a listing finds, and opening a device by its bus and
// address or a channel by its interface, are tested through tapwright-play's
// selectors and cables in usb_test.cpp.)
#include <ftdi.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <memory>
#include <vector>

#include "emulated_chip.hpp"
#include "link/device.hpp"
#include "report.hpp"

namespace tapwright::testing {
namespace {

using Context = std::unique_ptr<ftdi_context, decltype(&ftdi_free)>;
Context context(ftdi_interface interface = INTERFACE_A) {
  Context ftdi(ftdi_new(), &ftdi_free);
  ftdi_set_interface(ftdi.get(), interface);
  return ftdi;
}

Report figures(int device = 0) {
  return parse_report(usb::emulated_chip(device)->report());
}

// libftdi1's asynchronous calls keep a write and a read in flight at once.
// A synchronous FT232R clocking 3 MB a second outruns its full-speed bus,
// so the two share its slots: every packet both ways fits in the frames the
// bus has for them together, where one synchronous round trip at a time
// (a write nobody reads stalls at 384 bytes) takes three times as long. A
// read cancelled before anything comes ends at once.
TEST(LibftdiOnTheBus, AsyncWriteAndReadShareTheFrames) {
  usb::replace_bus("chip=ft232r chain=none");
  Context ftdi = context();
  ASSERT_EQ(ftdi_usb_open(ftdi.get(), 0x0403, 0x6001), 0);
  ASSERT_EQ(ftdi_set_bitmode(ftdi.get(), direction_mask, BITMODE_SYNCBB), 0);
  ASSERT_EQ(ftdi_set_baudrate(ftdi.get(), 750'000), 0);  // four times that in bit-bang
  ASSERT_EQ(figures().at("baud"), 3'000'000);
  // One write and two reads (libftdi1 cuts reads at 16 KB), each read of
  // whole packets so that it ends with its last one, not with the latency
  // timer's short packet.
  const int size = 62 * 400;
  ASSERT_EQ(ftdi_write_data_set_chunksize(ftdi.get(), size), 0);
  ASSERT_EQ(ftdi_read_data_set_chunksize(ftdi.get(), 64 * 200), 0);
  std::vector<unsigned char> out(size), in(size);
  for (int i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(i * 7 % 3);
  const long long start = figures().at("simulated_ns");
  ftdi_transfer_control* write = ftdi_write_data_submit(ftdi.get(), out.data(), size);
  ftdi_transfer_control* read = ftdi_read_data_submit(ftdi.get(), in.data(), size);
  EXPECT_EQ(ftdi_transfer_data_done(write), size);
  EXPECT_EQ(ftdi_transfer_data_done(read), size);
  const double frames = (figures().at("simulated_ns") - start) / 1e6;
  const double packets = (size + 63) / 64 + size / 62;
  EXPECT_GE(frames, packets / 19);
  EXPECT_LE(frames, 1.05 * packets / 19);
  // Each byte read is the pins before the byte written at its place, and
  // TDO high with no chain.
  for (int i = 1; i < size; ++i) ASSERT_EQ(in[i], out[i - 1] | pin_tdo) << i;

  const long long before = figures().at("simulated_ns");
  timeval wait = {1, 0};
  ftdi_transfer_data_cancel(ftdi_read_data_submit(ftdi.get(), in.data(), 1), &wait);
  EXPECT_LT(figures().at("simulated_ns") - before, 1'000'000);
  EXPECT_EQ(figures().at("timeouts"), 0);
}

// Bit mode 0x02 (MPSSE) is taken on the channels with an MPSSE engine
// only; there the sync probe is answered, and any other command the chip
// does not know stops the run with a message.
TEST(LibftdiOnTheBus, TakesMpsseModeOnTheChannelsThatHaveIt) {
  usb::replace_bus("chip=ft232r ; chip=ft2232d ; chip=ft4232h");
  const struct {
    int product;
    ftdi_interface interface;
    const char* refusal;
  } cases[] = {{0x6001, INTERFACE_A, "emulated ft232r: bit mode 523 on channel A"},
               {0x6010, INTERFACE_B, "emulated ft2232d: bit mode 523 on channel B"},
               {0x6011, INTERFACE_C, "emulated ft4232h: bit mode 523 on channel C"},
               {0x6011, INTERFACE_B, nullptr}};
  for (const auto& c : cases) {
    Context ftdi = context(c.interface);
    ASSERT_EQ(ftdi_usb_open(ftdi.get(), 0x0403, c.product), 0);
    if (c.refusal) {
      EXPECT_DEATH(ftdi_set_bitmode(ftdi.get(), 0x0b, BITMODE_MPSSE), c.refusal);
      continue;
    }
    ASSERT_EQ(ftdi_set_bitmode(ftdi.get(), 0x0b, BITMODE_MPSSE), 0);
    unsigned char probe[] = {0xAA, 0x87}, answer[4] = {};
    ASSERT_EQ(ftdi_write_data(ftdi.get(), probe, 2), 2);
    ASSERT_EQ(ftdi_read_data(ftdi.get(), answer, 4), 2);
    EXPECT_EQ(answer[0] << 8 | answer[1], 0xFAAA);
    unsigned char unknown[] = {0x12, 0x87};
    EXPECT_DEATH(
        {
          ftdi_write_data(ftdi.get(), unknown, 2);
          ftdi_read_data(ftdi.get(), answer, 4);
        },
        "emulated MPSSE engine: unknown command 0x12");
  }
}

}  // namespace
}  // namespace tapwright::testing
