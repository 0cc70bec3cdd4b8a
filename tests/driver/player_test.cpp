// The player's run from its command line to its exit status: the argument
// scan, the device bring-up in its exact order, every way a run ends with
// its message, and the summary; then the choice of cable.
#include <gtest/gtest.h>

#include "driver/cable_choice.hpp"
#include "driver/played.hpp"

namespace tapwright::testing {
namespace {

const std::string usage =
    "tapwright svf_file [options]\n options:\n   -c compare TDO outputs to the expected values\n"
    "   -v verbose\n   -h help\n";
const std::string differ8 = "\n   <<< 8 TDO outputs didn't match to the expected values... >>>\n\n";
const std::string matched = "\n   <<< All TDO outputs matched to the expected values! >>>\n\n";
// The first pass of the bring-up, the open of the run and its mode with -c.
const std::string up = "open0 bit7,4 close open0 bit7,4";

TEST(Player, FromArgumentsToExitStatus) {
  struct Case {
    std::string args;  // FILE: the SVF file
    std::string err, calls;
    std::string out = "";
    std::string fault = "";  // open1, open2, mode2: that call fails; write N, read N: the first
    std::string svf = "SDR 8 TDI (00) TDO (ff) MASK (ff);";  // 8 bits differ
  };
  const Case cases[] = {
      {"", "speciry SVF file\n", ""},
      {"-v -c", "speciry SVF file\n", ""},
      {"-v FILE -c -h", "", "", usage},
      {"-c /no/such.svf -v", "can't open /no/such.svf\n", ""},
      {"FILE -cv", "can't open -cv\n", ""},
      {".", "can't open .\n", ""},
      // The last path wins; the drain writes the 20 cycles and reads them back.
      {"/no/such.svf -c FILE", "", up + " div1 write40 read40 close", differ8},
      {"FILE", "", "open0 bit7,1 close open0 bit7,1 div1 write40 close"},
      {"FILE", "", "open0 open0 bit7,1 div1 write40 close", "", "open1"},
      {"-c FILE", "can't open USB device\n", "open0 bit7,4 close open0", "", "open2"},
      {"-c FILE", "can't initialize USB device\n", up + " close", "", "mode2"},
      {"-c FILE", "parse error\n", up + " div1 close", "", "", "BOGUS;"},
      {"-c FILE", "can't write to USB\n", up + " div1 write40 close", "", "write 3"},
      {"-c FILE", "can't write to USB\n", up + " div1 write40 read40 close", "", "read 0"},
      {"-c FILE", "parse error\n", up + " div1 write4096 write4096 read4096 close", "", "read 0",
       "RUNTEST 5000 TCK;"},
      {"-c FILE", "", up + " div1 write40 read40 close", matched, "",
       "RUNTEST 10 TCK; STATE RESET;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args + " " + c.fault);
    ScriptedDevice device;
    if (c.fault == "open1") device.open_status = {device_error};
    if (c.fault == "open2") device.open_status = {device_ok, device_error};
    if (c.fault == "mode2") device.bit_mode_status = {device_ok, device_error};
    if (c.fault.starts_with("write")) device.write_counts = {std::stoi(c.fault.substr(6))};
    if (c.fault.starts_with("read")) device.read_counts = {std::stoi(c.fault.substr(5))};
    const Played p = play(device, c.svf, c.args);
    EXPECT_EQ(p.status, !c.err.empty() ? 1 : c.out == differ8 ? 2 : 0);
    EXPECT_EQ(p.out, c.out);
    EXPECT_EQ(p.err, c.err);
    EXPECT_EQ(p.calls, c.calls);
    // Once the file is open, standard error is flushed on every way out.
    EXPECT_EQ(p.err_flushed, c.calls.empty() ? p.err_flushed : c.err);
  }
}

// The first write falls short at each cycle of a file's last statements in
// turn, placed there by the Idle clocks before them: the run ends with the
// message of the statement or of the drain the cycle is in, writes nothing
// more, and a failed walk, shift or wait is never taken for success, not
// even by a file cut off right after the command whose walk failed.
TEST(Player, ACableFailingAtEveryCycle) {
  std::string svf;
  for (const char* statement : {"STATE DRPAUSE;", "SIR 4 TDI (5);", "ENDDR DRPAUSE;",
                                "SDR 4 TDI (5) TDO (5);", "RUNTEST 2 TCK;", "STATE RESET IDLE;"}) {
    svf += statement;
    ScriptedDevice clean;
    const std::size_t cycles = play(clean, svf, "-c FILE").tms.size();  // with reset and drain
    for (std::size_t idle = 2048 - cycles; idle < 2064 - cycles; ++idle) {
      for (const std::string cut : {"", " SIR", " RUNTEST"}) {  // or cut off after a command
        ScriptedDevice device;
        device.write_counts = {0};
        const std::string file = "RUNTEST " + std::to_string(idle) + " TCK;" + svf + cut;
        const Played p = play(device, file, "-c FILE");
        const std::size_t bytes = std::min<std::size_t>(2 * (cycles + idle), 4096);
        const bool in_file = !cut.empty() || (bytes == 4096 && cycles + idle > 2048);
        EXPECT_EQ(p.err, in_file ? "parse error\n" : "can't write to USB\n") << file;
        const std::string calls = up + " div1 write" + std::to_string(bytes) + " close";
        EXPECT_EQ(p.calls, cut.empty() ? calls : p.calls) << file;
      }
    }
  }
}

struct FakeBackEnd final : CableBackEnd {
  explicit FakeBackEnd(int loads_) : loads(loads_) {}
  int available() override { return loads; }
  Device& device() override { return cable; }
  int loads;
  ScriptedDevice cable;
};

TEST(CableChoice, TheVendorLibraryWhenItLoadsElseLibftdiElseTheVendorLibraryAnyway) {
  // The vendor library loads, libftdi1 is built in, it is available, it is chosen.
  const int cases[][4] = {{1, 1, 1, 0}, {0, 1, 1, 1}, {0, 0, 0, 0}, {0, 1, 0, 0}};
  for (auto [vendor_loads, built, available, libftdi_chosen] : cases) {
    FakeBackEnd vendor(vendor_loads);
    FakeBackEnd libftdi(available);
    Device& chosen = choose_cable(vendor, built ? &libftdi : nullptr);
    EXPECT_EQ(&chosen, libftdi_chosen ? &libftdi.cable : &vendor.cable);
  }
}

}  // namespace
}  // namespace tapwright::testing
