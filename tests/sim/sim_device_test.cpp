// The simulated cable on its own: the chain and fault descriptions it takes,
// and its device operations called directly, with and without each fault.
#include "sim/sim_device.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <iomanip>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "sim/chain_description.hpp"
#include "sim/fault_plan.hpp"

namespace tapwright::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ChainDescription, DevicesOrWhatIsWrong) {
  // The text, the devices it describes, or why it describes none.
  const std::tuple<std::string, std::vector<DeviceSpec>, std::string> cases[] = {
      {"none", {}, ""},
      {"8:0x59604093,6:0x0362d093:0x09", {{8, 0x59604093, 1}, {6, 0x0362d093, 9}}, ""},
      {"64:0XFFFFFFFF:0x7ffffffffffffffe", {{64, 0xFFFFFFFF, 0x7ffffffffffffffe}}, ""},
      {"1:0x1:0", {{1, 1, 0}}, ""},
      {"", {}, "no device (use 'none' for an empty chain)"},
      {"10/0x155:bypass,5/0x1d:0x4ba00477:2",
       {{10, 0, 1, 0x155, false}, {5, 0x4ba00477, 2, 0x1d}},
       ""},
      {"8", {}, "device '8' has no IDCODE (IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE])"},
      {"8:1:2:3",
       {},
       "device '8:1:2:3' has more than three fields (IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE])"},
      {"4:bypass:2", {}, "device '4:bypass:2' has no IDCODE, so no IDCODE opcode either"},
      {"4/0x13:1", {}, "IR capture 0x13 does not fit in an IR of 4 bits"},
      {"4/3:1", {}, "IR capture 0x3 does not end in binary 01"},
      {"-8:1", {}, "IRLEN '-8' is not a number"},
      {"8x:1", {}, "IRLEN '8x' is not a number"},
      {"65:1", {}, "IRLEN '65' is not between 1 and 64"},
      {"8:zz", {}, "IDCODE 'zz' is not a number (or bypass)"},
      {"8:0x100000000", {}, "IDCODE '0x100000000' does not fit in 32 bits"},
      {"8:1:q", {}, "IDCODE opcode 'q' is not a number"},
      {"4:1:0x10", {}, "IDCODE opcode 0x10 does not fit in an IR of 4 bits"},
      {"4:1:15", {}, "IDCODE opcode 0xf is the BYPASS opcode (all ones)"},
      {"8:1,,6:1", {}, "device 2: empty device"},
  };
  for (const auto& [text, specs, reason] : cases) {
    const std::vector<DeviceSpec> before{{3, 3, 3}};
    std::vector<DeviceSpec> devices = before;
    std::string error;
    EXPECT_EQ(parse_chain(text, devices, error), reason.empty() ? 1 : 0) << text;
    EXPECT_EQ(devices, reason.empty() ? specs : before) << text;
    EXPECT_EQ(error, reason.empty() ? "" : "bad chain description '" + text + "': " + reason);
    // Written out, the devices read back as they are.
    std::vector<DeviceSpec> again;
    EXPECT_TRUE(!reason.empty() ||
                (parse_chain(format_chain(specs), again, error) && again == specs))
        << format_chain(specs);
  }
  // A cable that cannot be had as described stays as it was: at first the
  // examples' one device.
  SimDevice device;
  SimOptions options;
  options.chain = "4:1";
  options.vcd = "/nonexistent/w.vcd";
  std::string error;
  EXPECT_EQ(device.configure(options, error), 0);
  EXPECT_EQ(error, "cannot create VCD file '/nonexistent/w.vcd': No such file or directory");
  options.chip = "ft232h";
  options.channel = 'B';
  EXPECT_EQ(device.configure(options, error), 0);
  EXPECT_EQ(error, "no simulated chip 'ft232h' with a channel B");
  EXPECT_EQ(device.chain().device(0).spec(), (DeviceSpec{8, 0x59604093, 1}));
}

TEST(FaultPlan, FaultsOrWhatIsWrong) {
  const std::string bad_n = "N must be a call number of 1 or more";
  const std::tuple<std::string, FaultPlan, std::string> cases[] = {
      {"", {}, ""},
      {"open", {FaultKind::open, 0}, ""},
      {"reopen", {FaultKind::reopen, 0}, ""},
      {"bitmode", {FaultKind::bit_mode, 0}, ""},
      {"write:3", {FaultKind::write, 3}, ""},
      {"read:12", {FaultKind::read, 12}, ""},
      {"tdo-low", {FaultKind::tdo_low, 0}, ""},
      {"tdo-high", {FaultKind::tdo_high, 0}, ""},
      {"write:0", {}, bad_n},
      {"write:", {}, bad_n},
      {"read:2x", {}, bad_n},
      {"read:18446744073709551616", {}, "N is too large (at most 18446744073709551615)"},
      {"close", {}, "expected open, reopen, bitmode, write:N, read:N, tdo-low or tdo-high"},
  };
  for (const auto& [text, expected, reason] : cases) {
    const FaultPlan before{FaultKind::write, 99};
    FaultPlan plan = before;
    std::string error;
    EXPECT_EQ(parse_fault(text, plan, error), reason.empty() ? 1 : 0) << text;
    EXPECT_TRUE(plan == (reason.empty() ? expected : before)) << text;
    EXPECT_EQ(error, reason.empty() ? "" : "bad fault '" + text + "': " + reason);
  }
}

TEST(SimOptions, WaveformLimitSizes) {
  const std::pair<const char*, std::uint64_t> sizes[] = {
      {"4096", 4096},
      {"3k", 3 << 10},
      {"16M", 16 << 20},
      {"4g", std::uint64_t{4} << 30},
      {"18446744073709551615", UINT64_MAX},
      {"17179869183G", std::uint64_t{17179869183} << 30},
      {"18446744073709551616", 0},
      {"17179869184G", 0},
      {"G", 0},
      {"1.5G", 0},
      {"4T", 0}};
  for (auto [text, bytes] : sizes) {
    SimOptions options;
    std::string problem;
    EXPECT_EQ(set_sim_option(vcd_limit_option, text, options, problem), bytes ? 1 : 0) << text;
    EXPECT_EQ(options.vcd_limit, bytes ? bytes : default_vcd_limit) << text;
  }
}

// Calls on a cable, each logged as + or - for its status, the count
// written, or the bytes read in hex ("." for none). A cable is configured
// first, except the one of the "default" chain.
TEST(SimDevice, OperationsAndFaults) {
  const Bytes pair = {0x02, 0x06, 0x01, 0x05};
  // The chain, the fault, what each w writes, the calls (o open, i open device
  // 1, c close; s sync mode, h sync mode driving only TDI and TMS, a async
  // mode; w write, r read 2 bytes, R read 64), the log.
  const std::tuple<std::string, std::string, Bytes, std::string, std::string> cases[] = {
      // Device 0 alone, once at a time. In sync mode each byte returns the
      // pins as they were before it, TDO high outside the shift states; the
      // bytes wait to be read, even across close and open.
      {"none", "", pair, "iooswrcwrR oR", "- + - + 4 080a + 0 . . + 0e09"},
      {"default", "", pair, "oswR", "+ + 4 080a0e09"},
      // Bits 3 to 7 drive nothing; a pin left undriven floats high.
      {"none", "", {0xF8, 0xFF, 0x00}, "oswR", "+ + 3 08080f"},
      {"none", "", {0x00, 0x01, 0x02}, "ohwR", "+ + 3 080c0d"},
      // Before a bit mode the pins stay as they were; async mode returns nothing.
      {"none", "", {0x02, 0x06}, "owswRawR", "+ 2 + 2 080a + 2 ."},
      {"none", "open", {}, "oo", "- -"},
      {"none", "reopen", {}, "oscoo", "+ + + - +"},
      {"none", "bitmode", {}, "oss", "+ - -"},
      // The second write takes one byte fewer, the second read delivers one fewer.
      {"none", "write:2", pair, "oswwwR", "+ + 4 3 4 080a0e090d0a0e090a0e09"},
      {"none", "read:2", pair, "oswrrr", "+ + 4 080a 0e 09"},
  };
  for (const auto& [chain, fault, bytes, script, expected] : cases) {
    SimOptions options;
    options.chain = chain;
    options.fault = fault;
    SimDevice device;
    std::string error;
    ASSERT_TRUE(chain == "default" || device.configure(options, error)) << error;
    DeviceHandle handle = nullptr;
    const std::map<char, std::function<DeviceStatus()>> calls = {
        {'o', [&] { return device.open(0, &handle); }},
        {'i', [&] { return device.open(1, &handle); }},
        {'c', [&] { return device.close(handle); }},
        {'s', [&] { return device.set_bit_mode(handle, direction_mask, mode_sync_bitbang); }},
        {'h', [&] { return device.set_bit_mode(handle, 0x03, mode_sync_bitbang); }},
        {'a', [&] { return device.set_bit_mode(handle, direction_mask, mode_async_bitbang); }}};
    std::ostringstream log;
    for (const char op : script) {
      std::uint32_t count = 99;
      Bytes in(op == 'R' ? 64 : 2);
      if (calls.count(op)) {
        log << (calls.at(op)() == device_ok ? " +" : " -");
      } else if (op == 'w') {
        device.write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &count);
        log << ' ' << count;
      } else if (op != ' ') {
        device.read(handle, in.data(), static_cast<std::uint32_t>(in.size()), &count);
        log << ' ' << (count ? "" : ".");
        for (std::uint32_t k = 0; k < count; ++k)
          log << std::hex << std::setw(2) << std::setfill('0') << +in[k] << std::dec;
      }
    }
    EXPECT_EQ(log.str().substr(1), expected) << chain << " " << fault << ": " << script;
  }
}

}  // namespace
}  // namespace tapwright::sim
