// The libftdi1 back end over the real library on a machine with no FTDI
// cable (as on every build machine): it opens nothing, and the player says
// it cannot open the device.
#include <gtest/gtest.h>

#include <string>

#include "driver/player.hpp"
#include "link/libftdi_device.hpp"
#include "link/system_ftdi_calls.hpp"
#include "support/captured_stream.hpp"
#include "support/program_run.hpp"

namespace tapwright {
namespace {

class LibftdiWithoutCable : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceHandle handle = nullptr;
    if (device.open(0, &handle) == device_ok) {
      device.close(handle);
      GTEST_SKIP() << "an FTDI cable is attached to this machine";
    }
  }
  SystemFtdiCalls calls;
  LibftdiDevice device{calls};
};

TEST_F(LibftdiWithoutCable, OpensNothing) {
  DeviceHandle handle = reinterpret_cast<DeviceHandle>(0x1);
  EXPECT_NE(device.open(0, &handle), device_ok);
  EXPECT_EQ(handle, reinterpret_cast<DeviceHandle>(0x1));
}

TEST_F(LibftdiWithoutCable, ThePlayerCannotOpenTheDevice) {
  const std::string svf = testing::scratch_dir("libftdi_no_cable") + "/scan.svf";
  testing::write_file(svf, "SIR 8 TDI (01);\n");
  testing::CapturedStream out;
  testing::CapturedStream err;
  const char* argv[] = {"tapwright", svf.c_str(), "-c"};
  EXPECT_EQ(run_player(3, argv, device, {out.file(), err.file()}), exit_failed);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(err.text(), "can't open USB device\n");
}

}  // namespace
}  // namespace tapwright
