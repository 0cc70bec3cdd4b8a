#include "player_harness.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "driver/player.hpp"
#include "support/forwarding_device.hpp"

namespace tapwright::testing {

namespace {

// Notes the descriptors open at each close, which shows whether the SVF
// file outlives the device.
class WatchedDevice final : public ForwardingDevice {
 public:
  WatchedDevice(ScriptedDevice& inner, std::vector<int>& fds_at_close)
      : ForwardingDevice(inner), fds_at_close_(fds_at_close) {}
  DeviceStatus close(DeviceHandle handle) override {
    fds_at_close_.push_back(open_fd_count());
    return ForwardingDevice::close(handle);
  }

 private:
  std::vector<int>& fds_at_close_;
};

}  // namespace

TempSvf::TempSvf(std::string_view text) {
  std::string name = ::testing::TempDir() + "tapwright_player_XXXXXX";
  const int fd = ::mkstemp(name.data());
  EXPECT_GE(fd, 0) << name;
  if (fd < 0) return;
  path_ = name;
  EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size())) << path_;
  ::close(fd);
}

TempSvf::~TempSvf() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

int open_fd_count() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

int PlayerRun::run(const std::vector<std::string>& args, std::string_view usage_tail) {
  std::vector<const char*> argv = {"tapwright"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  WatchedDevice watched(device, fds_at_close);
  fds_before = open_fd_count();
  status = run_player(static_cast<int>(argv.size()), argv.data(), watched,
                      PlayerStreams{out.file(), err.file(), usage_tail});
  fds_after = open_fd_count();
  err_as_left = err.flushed();
  return status;
}

void reply_tdo_loopback(ScriptedDevice& device) {
  device.reply = [](std::uint8_t b) {
    return static_cast<std::uint8_t>((b & pin_tdi) ? (b | pin_tdo) : b);
  };
}

}  // namespace tapwright::testing
