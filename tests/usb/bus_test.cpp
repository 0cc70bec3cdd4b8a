// The real libftdi1, in this process, over emulated buses of several
// devices: what a listing finds, a second channel opened by its interface,
// and asynchronous transfers in flight both ways at once.
#include <ftdi.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <memory>
#include <tuple>
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

// A desk's bus: a USB-serial console cable with its serial, an FT2232H
// board with its own description, and a cable with Olimex's IDs and no
// serial (libftdi1 then fails to read the strings, as with a real one).
// libftdi1 lists the two with FTDI's IDs as FTDI chips and the third when
// asked for its IDs, tells each chip from its release, and opens each by
// its bus and address or its serial.
TEST(LibftdiOnTheBus, ListsAndOpensEachDeviceByItsIdentity) {
  usb::replace_bus(
      "chip=ft232r serial=A10KZP3Q ; chip=ft2232h product=\"Digilent USB Device\" "
      "serial=210299A8 bus=3 address=9 ; chip=ft2232h id=15ba:002b "
      "product=\"Olimex OpenOCD JTAG ARM-USB-OCD-H\"");
  using Listed = std::tuple<int, int, int, std::string, std::string, int, int, int>;
  const std::vector<Listed> expected = {
      {0x0403, 0x6001, 0x0600, "FT232R USB UART", "A10KZP3Q", 1, 2, 0},
      {0x0403, 0x6010, 0x0700, "Digilent USB Device", "210299A8", 3, 9, 0},
      {0x15ba, 0x002b, 0x0700, "Olimex OpenOCD JTAG ARM-USB-OCD-H", "", 1, 4, -9}};
  std::vector<Listed> listed;
  Context ftdi = context();
  for (const auto& [vendor, product] : {std::pair{0, 0}, {0x15ba, 0x002b}}) {
    ftdi_device_list* list = nullptr;
    ftdi_usb_find_all(ftdi.get(), &list, vendor, product);
    for (ftdi_device_list* each = list; each; each = each->next) {
      char maker[64] = "", description[64] = "", serial[64] = "";
      const int strings =
          ftdi_usb_get_strings(ftdi.get(), each->dev, maker, 64, description, 64, serial, 64);
      EXPECT_STREQ(maker, "FTDI");
      libusb_device_descriptor descriptor{};
      libusb_get_device_descriptor(each->dev, &descriptor);
      listed.emplace_back(descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice,
                          description, serial, libusb_get_bus_number(each->dev),
                          libusb_get_device_address(each->dev), strings);
    }
    ftdi_list_free(&list);
  }
  EXPECT_EQ(listed, expected);
  ASSERT_EQ(ftdi_usb_open_bus_addr(ftdi.get(), 3, 9), 0);
  EXPECT_EQ(ftdi->type, TYPE_2232H);
  ftdi_usb_close(ftdi.get());
  ASSERT_EQ(ftdi_usb_open_string(ftdi.get(), "s:0x0403:0x6001:A10KZP3Q"), 0);
  EXPECT_EQ(ftdi->type, TYPE_R);
  ftdi_usb_close(ftdi.get());
}

// Channel B of an FT2232H, opened by its interface, has a port, a chain, a
// latency timer and a kernel driver of its own: the bytes that read the
// IDCODE over B read its chain's, while channel A is left as it was.
TEST(LibftdiOnTheBus, OpensChannelBByItsInterface) {
  usb::replace_bus("chip=ft2232h chain=none chain:B=8:0x59604093");
  Context ftdi = context(INTERFACE_B);
  ASSERT_EQ(ftdi_usb_open_desc(ftdi.get(), 0x0403, 0x6010, "Dual RS232-HS", nullptr), 0);
  ASSERT_EQ(ftdi_set_bitmode(ftdi.get(), direction_mask, BITMODE_SYNCBB), 0);
  ASSERT_EQ(ftdi_set_latency_timer(ftdi.get(), 2), 0);
  // Test-Logic-Reset, then to Shift-DR, then 32 clocks: two bytes a clock.
  std::vector<unsigned char> bytes;
  for (int clock = 0; clock < 41; ++clock) {
    const int tms = clock < 5 || clock == 6 ? pin_tms : 0;
    bytes.insert(bytes.end(),
                 {static_cast<unsigned char>(tms), static_cast<unsigned char>(tms | pin_tck)});
  }
  ASSERT_EQ(ftdi_write_data(ftdi.get(), bytes.data(), 82), 82);
  std::vector<unsigned char> samples(82);
  for (int got = 0, n = 1; got < 82 && n > 0; got += n) {
    n = ftdi_read_data(ftdi.get(), samples.data() + got, 82 - got);
  }
  std::uint32_t idcode = 0;
  for (int bit = 0; bit < 32; ++bit) {
    idcode |= static_cast<std::uint32_t>(samples[2 * (9 + bit) + 1] >> 3 & 1) << bit;
  }
  EXPECT_EQ(idcode, 0x59604093u);
  Context a = context(INTERFACE_A);
  unsigned char latency_a = 0, latency_b = 0;
  ASSERT_EQ(ftdi_usb_open_desc(a.get(), 0x0403, 0x6010, nullptr, nullptr), 0);
  ASSERT_EQ(ftdi_get_latency_timer(a.get(), &latency_a), 0);
  ASSERT_EQ(ftdi_get_latency_timer(ftdi.get(), &latency_b), 0);
  EXPECT_EQ(latency_a * 1000 + latency_b, 16 * 1000 + 2);
  const Report report = figures();
  EXPECT_EQ(report.at("clocked:B"), 82);
  EXPECT_EQ(report.at("clocked"), 0);
  EXPECT_EQ(report.at("driver_bound:B"), 0);
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
// only; until an interpreter is plugged into the port, the commands written
// in that mode stop the run with a message.
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
    unsigned char command[] = {0x87};
    EXPECT_DEATH(ftdi_write_data(ftdi.get(), command, 1),
                 "emulated ft4232h: MPSSE commands written to channel B, and no MPSSE "
                 "interpreter is plugged into it yet");
  }
}

}  // namespace
}  // namespace tapwright::testing
