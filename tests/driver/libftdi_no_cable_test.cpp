// The libftdi1 back end over the real library on a machine with no FTDI
// cable (as on every build machine): it opens nothing, and the player says
// it cannot open the device.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/player.hpp"
#include "link/libftdi_device.hpp"
#include "link/system_ftdi_calls.hpp"

namespace tapwright {
namespace {

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
  return text;
}

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
  const std::string svf = ::testing::TempDir() + "libftdi_no_cable.svf";
  std::FILE* file = std::fopen(svf.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("SIR 8 TDI (01);\n", file);
  std::fclose(file);

  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  const char* argv[] = {"tapwright", svf.c_str(), "-c"};
  EXPECT_EQ(run_player(3, argv, device, {out, err}), exit_failed);
  EXPECT_EQ(contents(out), "");
  EXPECT_EQ(contents(err), "can't open USB device\n");
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace tapwright
