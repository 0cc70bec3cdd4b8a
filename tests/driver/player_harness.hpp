#pragma once
// Runs the player in-process over a scripted device and keeps what a test
// needs to see: the status, both streams, the device calls, and which
// resources were still open when.
#include <string>
#include <string_view>
#include <vector>

#include "support/captured_stream.hpp"
#include "support/scripted_device.hpp"

namespace tapwright::testing {

// An SVF file on disk for the length of a test.
class TempSvf {
 public:
  explicit TempSvf(std::string_view text);
  ~TempSvf();
  TempSvf(const TempSvf&) = delete;
  TempSvf& operator=(const TempSvf&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// File descriptors this process holds right now.
int open_fd_count();

struct PlayerRun {
  ScriptedDevice device;  // script it before run(); its record of calls after
  CapturedStream out;
  CapturedStream err;
  int status = -1;
  int fds_before = 0;
  int fds_after = 0;
  std::vector<int> fds_at_close;  // open descriptors at each device close
  std::string err_as_left;        // standard error as the run left it, unflushed by the test

  // Runs the player with "tapwright" and then `args` as its command line.
  int run(const std::vector<std::string>& args, std::string_view usage_tail = {});
  std::string out_text() { return out.text(); }
  std::string err_text() { return err.text(); }
};

// TDO on every returned byte follows that byte's TDI, as through a chain
// that shifts straight through.
void reply_tdo_loopback(ScriptedDevice& device);

}  // namespace tapwright::testing
