#include "sim/chain_description.hpp"

#include <gtest/gtest.h>

#include "sim/fault_plan.hpp"
#include "sim/sim_device.hpp"
#include "sim_run.hpp"

namespace tapwright::sim {
namespace {

TEST(ChainDescription, GoodDescriptions) {
  struct Case {
    const char* text;
    std::vector<DeviceSpec> devices;
  };
  const Case cases[] = {
      {"none", {}},
      {"8:0x59604093", {{8, 0x59604093, 1}}},
      {"8:0x59604093,6:0x0362d093:0x09", {{8, 0x59604093, 1}, {6, 0x0362d093, 9}}},
      {"64:0XFFFFFFFF:0x7ffffffffffffffe", {{64, 0xFFFFFFFF, 0x7ffffffffffffffe}}},
      {"1:0x1:0", {{1, 1, 0}}},
  };
  for (const Case& c : cases) {
    std::vector<DeviceSpec> devices{{3, 3, 3}};
    std::string error;
    EXPECT_EQ(parse_chain(c.text, devices, error), 1) << c.text << ": " << error;
    EXPECT_EQ(devices, c.devices) << c.text;
  }
}

TEST(ChainDescription, BadDescriptionsSayWhatIsWrong) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"8:zz", "bad chain description '8:zz': IDCODE 'zz' is not a number"},
      {"", "bad chain description '': no device (use 'none' for an empty chain)"},
      {"8", "bad chain description '8': device '8' has no IDCODE (IRLEN:IDCODE[:IDCODE_OPCODE])"},
      {"0:1", "bad chain description '0:1': IRLEN '0' is not between 1 and 64"},
      {"8:0x100000000",
       "bad chain description '8:0x100000000': IDCODE '0x100000000' does not "
       "fit in 32 bits"},
      {"8:1:q", "bad chain description '8:1:q': IDCODE opcode 'q' is not a number"},
      {"4:1:0x10",
       "bad chain description '4:1:0x10': IDCODE opcode 0x10 does not fit in an IR "
       "of 4 bits"},
      {"4:1:15",
       "bad chain description '4:1:15': IDCODE opcode 0xf is the BYPASS opcode (all "
       "ones)"},
      {"8:1:2:3",
       "bad chain description '8:1:2:3': device '8:1:2:3' has more than three fields "
       "(IRLEN:IDCODE[:IDCODE_OPCODE])"},
      {"8:1,,6:1", "bad chain description '8:1,,6:1': device 2: empty device"},
  };
  for (const Case& c : cases) {
    const std::vector<DeviceSpec> before{{3, 3, 3}};
    std::vector<DeviceSpec> devices = before;
    std::string error;
    EXPECT_EQ(parse_chain(c.text, devices, error), 0) << c.text;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(devices, before) << c.text;
  }
}

TEST(FaultPlan, Descriptions) {
  struct Case {
    const char* text;
    int ok;
    FaultPlan plan;
    const char* error;
  };
  const Case cases[] = {
      {"", 1, {}, ""},
      {"open", 1, {FaultKind::open, 0}, ""},
      {"bitmode", 1, {FaultKind::bit_mode, 0}, ""},
      {"write:3", 1, {FaultKind::write, 3}, ""},
      {"read:12", 1, {FaultKind::read, 12}, ""},
      {"write:0", 0, {}, "bad fault 'write:0': N must be a call number of 1 or more"},
      {"read:2x", 0, {}, "bad fault 'read:2x': N must be a call number of 1 or more"},
      {"close", 0, {}, "bad fault 'close': expected open, reopen, bitmode, write:N or read:N"},
  };
  for (const Case& c : cases) {
    FaultPlan plan{FaultKind::write, 99};
    std::string error;
    EXPECT_EQ(parse_fault(c.text, plan, error), c.ok) << c.text;
    EXPECT_EQ(error, c.error);
    if (c.ok) {
      EXPECT_EQ(plan, c.plan) << c.text;
    }
  }
}

TEST(SimDeviceConfigure, RefusesBadOptionsAndKeepsTheOldChain) {
  SimOptions vcd_options;
  vcd_options.vcd = "/nonexistent-dir/w.vcd";
  SimOptions capture_options;
  capture_options.capture_in = "/nonexistent-dir/in.bin";
  SimDevice device;
  std::string error;
  ASSERT_EQ(device.configure(testing::chain_options("4:1,5:2"), error), 1);
  EXPECT_EQ(error, "");
  EXPECT_EQ(device.configure(testing::chain_options("8:zz"), error), 0);
  EXPECT_EQ(error, "bad chain description '8:zz': IDCODE 'zz' is not a number");
  EXPECT_EQ(device.configure(testing::chain_options("none", "read:0"), error), 0);
  EXPECT_EQ(error, "bad fault 'read:0': N must be a call number of 1 or more");
  EXPECT_EQ(device.configure(vcd_options, error), 0);
  EXPECT_EQ(error.rfind("cannot create VCD file '/nonexistent-dir/w.vcd'", 0), 0u) << error;
  EXPECT_EQ(device.configure(capture_options, error), 0);
  EXPECT_EQ(error.rfind("cannot create capture file '/nonexistent-dir/in.bin'", 0), 0u) << error;
  ASSERT_EQ(device.chain().size(), 2u);
  EXPECT_EQ(device.chain().device(1).spec(), (DeviceSpec{5, 2, 1}));
}

TEST(SimDeviceConfigure, DefaultChainIsOneDevice) {
  SimDevice device;
  ASSERT_EQ(device.chain().size(), 1u);
  EXPECT_EQ(device.chain().device(0).spec(), (DeviceSpec{8, 0x59604093, 1}));
}

}  // namespace
}  // namespace tapwright::sim
