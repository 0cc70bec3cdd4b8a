// The run itself: the device bring-up in its exact order, every way a run
// ends with its message, exit status and release, and the compare summary.
#include <gtest/gtest.h>

#include "player_harness.hpp"

namespace tapwright {
namespace {

using testing::DeviceCall;
using testing::PlayerRun;
using testing::ScriptedDevice;
using testing::TempSvf;

constexpr const char* all_matched =
    "\n   <<< All TDO outputs matched to the expected values! >>>\n\n";

std::string mismatched(int count) {
  return "\n   <<< " + std::to_string(count) +
         " TDO outputs didn't match to the expected values... >>>\n\n";
}

// The device calls by name, blank-separated.
std::string call_names(const ScriptedDevice& device) {
  std::string names;
  for (const std::string& name : device.call_names()) names += (names.empty() ? "" : " ") + name;
  return names;
}

// Eight compared bits that all mismatch on a device that returns TDO low,
// which the scripted device does unless told otherwise.
constexpr const char* mismatching_scan = "SDR 8 TDI (00) TDO (ff) MASK (ff);\n";

TEST(PlayerBringUp, ExactCallOrder) {
  // An empty file: six reset cycles and the drain's one, 14 bytes.
  TempSvf svf("");
  {
    PlayerRun run;
    EXPECT_EQ(run.run({svf.path()}), 0);
    EXPECT_EQ(run.device.calls, (std::vector<DeviceCall>{{"open", 0, 0},
                                                         {"set_bit_mode", 7, 1},
                                                         {"close", 0, 0},
                                                         {"open", 0, 0},
                                                         {"set_bit_mode", 7, 1},
                                                         {"set_divisor", 1, 0},
                                                         {"write", 14, 0},
                                                         {"close", 0, 0}}));
    EXPECT_EQ(run.out_text() + run.err_text(), "");
  }
  {
    PlayerRun run;
    EXPECT_EQ(run.run({"-c", svf.path()}), 0);
    EXPECT_EQ(run.device.calls[1], (DeviceCall{"set_bit_mode", 7, 4}));
    EXPECT_EQ(run.device.calls[4], (DeviceCall{"set_bit_mode", 7, 4}));
    EXPECT_EQ(call_names(run.device),
              "open set_bit_mode close open set_bit_mode set_divisor write read close");
    EXPECT_EQ(run.out_text(), all_matched);
  }
}

TEST(PlayerBringUp, FirstPassFailuresAreIgnored) {
  TempSvf svf("");
  {
    PlayerRun run;
    run.device.open_status = {device_error};
    EXPECT_EQ(run.run({svf.path()}), 0);
    EXPECT_EQ(call_names(run.device), "open open set_bit_mode set_divisor write close");
    EXPECT_EQ(run.err_text(), "");
  }
  {
    PlayerRun run;
    run.device.bit_mode_status = {device_error};
    EXPECT_EQ(run.run({"-c", svf.path()}), 0);
    EXPECT_EQ(call_names(run.device),
              "open set_bit_mode close open set_bit_mode set_divisor write read close");
    EXPECT_EQ(run.err_text(), "");
    EXPECT_EQ(run.out_text(), all_matched);
  }
}

// Scripts one failure: "open" or "bitmode" fails the second call, "write N"
// and "read N" make the first call report N bytes.
void script(ScriptedDevice& device, const std::string& fault) {
  if (fault == "open") device.open_status = {device_ok, device_error};
  if (fault == "bitmode") device.bit_mode_status = {device_ok, device_error};
  if (fault.rfind("write ", 0) == 0) device.write_counts = {std::stoi(fault.substr(6))};
  if (fault.rfind("read ", 0) == 0) device.read_counts = {std::stoi(fault.substr(5))};
}

TEST(PlayerEnds, MessageStatusAndRelease) {
  struct Case {
    const char* svf;
    const char* fault;
    const char* err;
    std::string out;  // the echo, and the summary of a run that ends well
    int status;
    const char* calls;  // after the first pass "open set_bit_mode close"
  };
  const std::string echo = "SDR 8 TDI 00 SMASK  TDO ff MASK ff\n";
  const std::vector<Case> cases = {
      {mismatching_scan, "open", "can't open USB device\n", "", 1, "open"},
      {mismatching_scan, "bitmode", "can't initialize USB device\n", "", 1,
       "open set_bit_mode close"},
      {"SDR 8 TDI (00) TDO (ff) MASK (ff);\nBOGUS;\nSIR 4 TDI (5);\n", "", "parse error\n", echo, 1,
       "open set_bit_mode set_divisor close"},
      {"RUNTEST 3000 TCK;\n", "write 4095", "parse error\n", "RUNTEST 3000 TCK\n", 1,
       "open set_bit_mode set_divisor write close"},
      {mismatching_scan, "write 3", "can't write to USB\n", echo, 1,
       "open set_bit_mode set_divisor write close"},
      {mismatching_scan, "read 0", "can't write to USB\n", echo, 1,
       "open set_bit_mode set_divisor write read close"},
      {mismatching_scan, "", "", echo + mismatched(8), 2,
       "open set_bit_mode set_divisor write read close"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.svf) + c.fault);
    TempSvf svf(c.svf);
    PlayerRun run;
    script(run.device, c.fault);
    EXPECT_EQ(run.run({"-c", "-v", svf.path()}), c.status);
    EXPECT_EQ(run.err_as_left, c.err) << "standard error is flushed on every path past the file";
    EXPECT_EQ(run.out_text(), c.out);
    EXPECT_EQ(call_names(run.device), std::string("open set_bit_mode close ") + c.calls);
    EXPECT_EQ(run.device.open_handles, 0);
    // The SVF file is closed by the end, and only after the device.
    EXPECT_EQ(run.fds_after, run.fds_before);
    ASSERT_FALSE(run.fds_at_close.empty());
    EXPECT_EQ(run.fds_at_close.back(), run.fds_before + 1);
  }
}

TEST(PlayerEnds, NoSecondOpenOfAnyKind) {
  TempSvf svf("SIR 4 TDI (5);");
  PlayerRun run;
  run.device.open_status = {device_error, device_error};
  EXPECT_EQ(run.run({svf.path()}), 1);
  EXPECT_EQ(call_names(run.device), "open open");
  EXPECT_EQ(run.err_as_left, "can't open USB device\n");
  EXPECT_EQ(run.fds_after, run.fds_before);
}

TEST(PlayerSummary, CompareRuns) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::string svf;
    bool loopback;
    std::string out;
    int status;
    std::vector<std::uint32_t> read_sizes;
  };
  const std::vector<Case> cases = {
      {"no scan at all",
       {"-c"},
       "RUNTEST 10 TCK;\nSTATE RESET IDLE;\n",
       false,
       all_matched,
       0,
       {42}},
      {"TDO through a loopback",
       {"-c"},
       "SDR 8 TDI (a5) TDO (A5) MASK (ff);\n",
       true,
       all_matched,
       0,
       {40}},
      // 3019 cycles and the drain's: block 1 is written at cycle 2048, and
      // the SDR in block 2 is read back only by the drain.
      {"mismatches only the drain counts",
       {"-c"},
       "RUNTEST 3000 TCK;\n" + std::string(mismatching_scan),
       false,
       mismatched(8),
       2,
       {4096, 1944}},
      {"mismatches counted during the run and by the drain",
       {"-c"},
       std::string(mismatching_scan) + "RUNTEST 5000 TCK;\nSDR 4 TDI (0) TDO (f) MASK (3);\n",
       false,
       mismatched(10),
       2,
       {4096, 4096, 1866}},
      {"no summary and no read-back without -c",
       {"-v"},
       mismatching_scan,
       false,
       "SDR 8 TDI 00 SMASK  TDO ff MASK ff\n",
       0,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempSvf svf(c.svf);
    std::vector<std::string> args = c.options;
    args.push_back(svf.path());
    PlayerRun run;
    if (c.loopback) testing::reply_tdo_loopback(run.device);
    EXPECT_EQ(run.run(args), c.status);
    EXPECT_EQ(run.out_text(), c.out);
    EXPECT_EQ(run.err_text(), "");
    EXPECT_EQ(run.device.read_sizes, c.read_sizes);
  }
}

}  // namespace
}  // namespace tapwright
