// The MPSSE encoding against a scripted chip: the command bytes of each kind
// of run, as the chip's command set defines them, and the TDO bits of the
// replies compared one block behind.
#include "link/mpsse_link.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

using testing::scripted_handle;
using testing::ScriptedDevice;
using Bytes = std::vector<std::uint8_t>;

// A walk to Test-Logic-Reset and Run-Test/Idle, 21 idle clocks, a 12-bit
// scan leaving the shift state, and two syncs: TMS commands (bit 7 the TDI
// level), the clock-only commands with TMS set by the first clocks, byte and
// bit shifts with the last bit by a TMS command; compared, the reading forms
// of the same commands. A sync reads the pins, with send-immediate, so that
// it returns once the chip has clocked everything; a second sync with
// nothing new sends nothing.
TEST(MpsseLink, EachRunAsTheChipsCommands) {
  const Bytes head = {0x4B, 0x05, 0x1F, 0x4B, 0x06, 0x00, 0x8F, 0x00, 0x00, 0x8E, 0x05};
  const struct {
    int compare;
    Bytes scan;
    Bytes returned;
    std::int64_t mismatches;
    std::vector<std::string> transfers;
  } cases[] = {
      {0,
       {0x19, 0x00, 0x00, 0xA5, 0x1B, 0x02, 0x00, 0x4B, 0x00, 0x81},
       {},
       0,
       {"write 23", "read 1"}},
      // TDO 0xA5, then 000 at the top of the bit read, then 1 at the top.
      {1,
       {0x39, 0x00, 0x00, 0xA5, 0x3B, 0x02, 0x00, 0x6B, 0x00, 0x81},
       {0xA5, 0x00, 0x80, 0x55},
       0,
       {"write 23", "read 4"}},
      // Two bits of the byte differ, and the last bit.
      {1,
       {0x39, 0x00, 0x00, 0xA5, 0x3B, 0x02, 0x00, 0x6B, 0x00, 0x81},
       {0xA6, 0x00, 0x00, 0x55},
       3,
       {"write 23", "read 4"}},
  };
  for (const auto& c : cases) {
    ScriptedDevice device;
    device.returned = c.returned;
    MpsseLink link(device, scripted_handle(), c.compare, true);
    ShiftRun scan;
    scan.bits = 12;
    scan.tdi = "8a5";
    scan.tdo = "8a5";
    scan.mask = "fff";
    scan.compare = true;
    scan.exit = true;
    ASSERT_TRUE(link.clock_tms(0x1F, 6, 0) && link.clock_held(21, 0) && link.shift(scan) &&
                link.sync() && link.sync());
    Bytes expected = head;
    expected.insert(expected.end(), c.scan.begin(), c.scan.end());
    expected.insert(expected.end(), {0x81, 0x87});
    EXPECT_EQ(device.written, expected) << c.compare;
    EXPECT_EQ(device.transfers(), c.transfers);
    EXPECT_EQ(link.mismatch_count(), c.mismatches);
    EXPECT_EQ(link.cycles(), 6u + 21 + 12);
  }
}

}  // namespace
}  // namespace tapwright
