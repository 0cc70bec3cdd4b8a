// A cable pulled at every possible moment: a compare run of several blocks
// over the simulated cable, played once cleanly to count its writes and
// reads, then once per write and once per read with just that call falling
// short. Each time the run must end with the message of the phase the call
// fell in, exit 1, print no summary, release device and file, and not touch
// the cable again after the failing call.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/player.hpp"
#include "player_harness.hpp"
#include "sim/sim_device.hpp"
#include "support/captured_stream.hpp"
#include "support/forwarding_device.hpp"

namespace tapwright {
namespace {

using testing::CapturedStream;
using testing::open_fd_count;
using testing::TempSvf;

// Hands every call to the simulated cable and logs the write ('w') and read
// ('r') calls in order, with the calls made after the first short one.
class LoggedCable final : public testing::ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;
  DeviceStatus close(DeviceHandle handle) override {
    fds_at_close.push_back(open_fd_count());
    return ForwardingDevice::close(handle);
  }
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    note('r');
    const DeviceStatus status = ForwardingDevice::read(handle, buffer, to_read, got);
    failed_ = failed_ || *got != to_read;
    return status;
  }
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override {
    note('w');
    const DeviceStatus status = ForwardingDevice::write(handle, buffer, to_write, written);
    failed_ = failed_ || *written != to_write;
    return status;
  }

  std::string calls;            // 'w' and 'r' in the order made
  int calls_after_failure = 0;  // writes and reads after the first short one
  std::vector<int> fds_at_close;

 private:
  void note(char call) {
    calls.push_back(call);
    if (failed_) ++calls_after_failure;
  }
  bool failed_ = false;
};

// `value` shifted left by one bit within its own width, in hex: what a chain
// of devices in bypass returns for it, since each bypass register starts at 0
// and delays the data by one clock.
std::string through_bypass(const std::string& value) {
  std::string shifted = value;
  unsigned carry = 0;
  for (std::size_t i = value.size(); i-- > 0;) {
    const char c = value[i];
    const unsigned digit =
        c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'a' + 10);
    shifted[i] = "0123456789abcdef"[((digit << 1) | carry) & 0xF];
    carry = digit >> 3;
  }
  return shifted;
}

// The one device in bypass, then three long data scans whose every bit is
// compared: about 15 blocks of 4096 bytes.
std::string multi_block_svf() {
  std::string svf = "SIR 8 TDI (ff) TDO (01) MASK (03);\n";
  std::uint32_t seed = 12345;
  for (int scan = 0; scan < 3; ++scan) {
    std::string tdi;
    for (int digit = 0; digit < 2500; ++digit) {
      seed = seed * 1103515245u + 12345u;
      tdi.push_back("0123456789abcdef"[(seed >> 16) & 0xF]);
    }
    svf += "SDR 10000 TDI (" + tdi + ") TDO (" + through_bypass(tdi) + ") MASK (" +
           std::string(tdi.size(), 'f') + ");\nRUNTEST 100 TCK;\n";
  }
  return svf;
}

struct SweepRun {
  int status = -1;
  std::string out;
  std::string err;
  bool device_open = true;
  int fds_before = 0;
  int fds_after = 0;
  std::string calls;
  int calls_after_failure = 0;
  std::vector<int> fds_at_close;
};

SweepRun play(const std::string& svf_path, const std::string& fault) {
  sim::SimDevice sim;
  std::string error;
  sim::SimOptions options;
  options.fault = fault;
  EXPECT_EQ(sim.configure(options, error), 1) << error;
  LoggedCable cable(sim);
  CapturedStream out;
  CapturedStream err;
  const char* const argv[] = {"tapwright", svf_path.c_str(), "-c"};
  SweepRun run;
  run.fds_before = open_fd_count();
  run.status = run_player(3, argv, cable, PlayerStreams{out.file(), err.file()});
  run.fds_after = open_fd_count();
  run.out = out.text();
  run.err = err.text();
  run.device_open = sim.is_open();
  run.calls = cable.calls;
  run.calls_after_failure = cable.calls_after_failure;
  run.fds_at_close = cable.fds_at_close;
  return run;
}

TEST(FaultSweep, EveryShortWriteAndReadEndsTheRunCleanly) {
  const TempSvf svf(multi_block_svf());
  const SweepRun clean = play(svf.path(), "");
  ASSERT_EQ(clean.status, exit_ok) << clean.err;
  ASSERT_EQ(clean.out, "\n   <<< All TDO outputs matched to the expected values! >>>\n\n");
  // The drain writes last; the reads after its write are the drain's too.
  const std::size_t drain_starts = clean.calls.rfind('w');
  ASSERT_NE(drain_starts, std::string::npos);
  ASSERT_GE(drain_starts, 20u) << "the run should span many blocks: " << clean.calls;
  ASSERT_EQ(clean.calls.substr(drain_starts), "wrr");

  int writes = 0;
  int reads = 0;
  for (std::size_t at = 0; at < clean.calls.size(); ++at) {
    const bool is_write = clean.calls[at] == 'w';
    const int index = is_write ? ++writes : ++reads;
    const std::string fault = (is_write ? "write:" : "read:") + std::to_string(index);
    SCOPED_TRACE(fault);
    const SweepRun run = play(svf.path(), fault);

    const char* message = at >= drain_starts ? "can't write to USB\n" : "parse error\n";
    EXPECT_EQ(run.err, message);
    EXPECT_EQ(run.status, exit_failed);
    EXPECT_EQ(run.out, "");
    // The failing call is the last one made, and it is the one that was set
    // to fall short.
    EXPECT_EQ(run.calls, clean.calls.substr(0, at + 1));
    EXPECT_EQ(run.calls_after_failure, 0);
    EXPECT_FALSE(run.device_open);
    EXPECT_EQ(run.fds_after, run.fds_before);
    // The device goes first, while the SVF file is still open.
    ASSERT_EQ(run.fds_at_close.size(), 2u);
    EXPECT_EQ(run.fds_at_close.back(), run.fds_before + 1);
  }
  EXPECT_EQ(writes + reads, static_cast<int>(clean.calls.size()));
}

}  // namespace
}  // namespace tapwright
