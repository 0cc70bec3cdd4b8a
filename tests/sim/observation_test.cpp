// What the simulated cable records: the written and returned byte streams
// and the waveform of a reset plus IDCODE scan.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "sim_run.hpp"
#include "support/forwarding_device.hpp"
#include "support/program_run.hpp"

namespace tapwright::sim {
namespace {

using testing::file_bytes;
using testing::SimRun;
using testing::temp_path;
using Bytes = std::vector<std::uint8_t>;

// Passes every call on to the simulated cable and keeps what crossed it.
class Recorder final : public tapwright::testing::ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;
  DeviceStatus read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                    std::uint32_t* got) override {
    const DeviceStatus status = ForwardingDevice::read(handle, buffer, to_read, got);
    read_bytes.insert(read_bytes.end(), buffer, buffer + *got);
    return status;
  }
  DeviceStatus write(DeviceHandle handle, const std::uint8_t* buffer, std::uint32_t to_write,
                     std::uint32_t* written) override {
    written_bytes.insert(written_bytes.end(), buffer, buffer + to_write);
    return ForwardingDevice::write(handle, buffer, to_write, written);
  }
  Bytes written_bytes;
  Bytes read_bytes;
};

constexpr std::uint32_t idcode = 0x59604093;

// Reset, IDCODE scan compared against `idcode`, drain.
std::int64_t idcode_run(SimDevice& device, Device& stream_device, const SimOptions& options,
                        int compare) {
  SimRun run(device, stream_device, options, compare);
  EXPECT_TRUE(run.ok());
  EXPECT_EQ(run.sdr(32, "0", testing::hex_of(idcode), "ffffffff"), 1);
  const std::int64_t mismatches = run.finish();
  device.finish();
  return mismatches;
}

TEST(Capture, FilesHoldExactlyTheWrittenAndReturnedBytes) {
  for (int compare : {1, 0}) {
    SimDevice device;
    Recorder recorder(device);
    SimOptions options;
    options.capture_out = temp_path("_out.bin");
    options.capture_in = temp_path("_in.bin");
    // Long enough for several blocks, so reads lag the writes.
    SimRun run(device, recorder, options, compare);
    ASSERT_TRUE(run.ok());
    for (int i = 0; i < 300; ++i) {
      ASSERT_EQ(run.sdr(32, "0", testing::hex_of(idcode), "ffffffff"), 1);
    }
    ASSERT_EQ(run.finish(), 0);
    device.finish();
    EXPECT_EQ(device.output_error(), "");
    EXPECT_GT(recorder.written_bytes.size(), 4u * 4096u);
    EXPECT_EQ(file_bytes(options.capture_out), recorder.written_bytes) << "compare " << compare;
    EXPECT_EQ(file_bytes(options.capture_in), recorder.read_bytes) << "compare " << compare;
    EXPECT_EQ(recorder.read_bytes.size(), compare ? recorder.written_bytes.size() : 0u);
  }
}

// The VCD as values per time step: for each time, the wires' levels by
// name, after the changes at that time.
struct Waveform {
  std::map<std::string, std::string> names;  // identifier code -> name
  std::vector<std::uint64_t> times;
  std::vector<std::map<std::string, int>> values;
  bool has_enddefinitions = false;
};

Waveform parse_vcd(const std::string& path) {
  Waveform wave;
  std::ifstream in(path);
  std::string line;
  std::map<std::string, int> current;
  bool body = false;
  while (std::getline(in, line)) {
    if (!body) {
      std::istringstream words(line);
      std::string word, type, size, code, name, bit;
      words >> word;
      if (word == "$var") {
        words >> type >> size >> code >> name >> bit;
        EXPECT_EQ(size, "1") << line;
        wave.names[code] = bit == "$end" ? name : name + bit;
      } else if (word == "$enddefinitions") {
        wave.has_enddefinitions = true;
        body = true;
      }
      continue;
    }
    if (line.empty() || line == "$dumpvars" || line == "$end") continue;
    if (line[0] == '#') {
      const std::uint64_t time = std::stoull(line.substr(1));
      if (!wave.times.empty()) {
        EXPECT_GT(time, wave.times.back()) << "time stamps must increase";
        wave.values.push_back(current);
      }
      wave.times.push_back(time);
      continue;
    }
    EXPECT_TRUE(line[0] == '0' || line[0] == '1') << line;
    const auto name = wave.names.find(line.substr(1));
    EXPECT_NE(name, wave.names.end()) << "unknown identifier in " << line;
    if (name != wave.names.end()) current[name->second] = line[0] - '0';
  }
  wave.values.push_back(current);
  return wave;
}

TEST(Waveform, ShowsEveryEdgeAndTheScan) {
  SimDevice device;
  Recorder recorder(device);
  SimOptions options;
  options.vcd = temp_path(".vcd");
  ASSERT_EQ(idcode_run(device, recorder, options, 1), 0);
  EXPECT_EQ(device.output_error(), "");

  const Waveform wave = parse_vcd(options.vcd);
  ASSERT_TRUE(wave.has_enddefinitions);
  for (const char* name :
       {"TCK", "TMS", "TDI", "TDO", "state[0]", "state[1]", "state[2]", "state[3]"}) {
    bool found = false;
    for (const auto& [code, wire] : wave.names) found = found || wire == name;
    EXPECT_TRUE(found) << name;
  }
  const std::size_t bytes = recorder.written_bytes.size();
  // Time 0, one step per byte, one more to close the last step.
  EXPECT_EQ(wave.times.back(), bytes + 1);

  // Replay: level of every wire at every time step 0..bytes.
  std::vector<std::map<std::string, int>> at(bytes + 1);
  for (std::size_t k = 0, step = 0; step <= bytes; ++step) {
    while (k + 1 < wave.times.size() && wave.times[k + 1] <= step) ++k;
    at[step] = wave.values[k];
  }
  // Step i + 1 shows the byte written i.
  for (std::size_t i = 0; i < bytes; ++i) {
    const std::uint8_t b = recorder.written_bytes[i];
    ASSERT_EQ(at[i + 1].at("TCK"), (b >> 2) & 1) << i;
    ASSERT_EQ(at[i + 1].at("TMS"), (b >> 1) & 1) << i;
    ASSERT_EQ(at[i + 1].at("TDI"), b & 1) << i;
  }
  // At each rising edge, the state shown before it, and TDO.
  std::vector<int> states;
  std::uint32_t shifted = 0;
  int shift_bits = 0;
  for (std::size_t step = 1; step <= bytes; ++step) {
    if (!(at[step - 1].at("TCK") == 0 && at[step].at("TCK") == 1)) continue;
    const auto& before = at[step - 1];
    const int state = before.at("state[0]") | before.at("state[1]") << 1 |
                      before.at("state[2]") << 2 | before.at("state[3]") << 3;
    if (states.empty() || states.back() != state) states.push_back(state);
    if (state == controller_code(ControllerState::shift_dr)) {
      shifted |= static_cast<std::uint32_t>(before.at("TDO")) << shift_bits++;
    } else {
      EXPECT_EQ(before.at("TDO"), 1) << "TDO high outside the shift states, step " << step;
    }
  }
  // Test-Logic-Reset, Run-Test/Idle, Select-DR, Capture-DR, Shift-DR,
  // Exit1-DR, Update-DR, Run-Test/Idle.
  EXPECT_EQ(states, (std::vector<int>{0, 1, 2, 3, 4, 5, 8, 1}));
  EXPECT_EQ(shift_bits, 32);
  EXPECT_EQ(shifted, idcode);
}

// sigrok's JTAG decoder must read the waveform of a reset and an IDCODE
// scan as that scan with that IDCODE.
TEST(Waveform, SigrokDecodesTheIdcodeScan) {
  if (std::system("sigrok-cli --version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sigrok-cli is not installed (Debian package sigrok-cli)";
  }
  SimDevice device;
  SimOptions options;
  options.vcd = temp_path(".vcd");
  ASSERT_EQ(idcode_run(device, device, options, 0), 0);

  const tapwright::testing::ProgramRun run = tapwright::testing::run_shell(
      "sigrok-cli -I vcd -i '" + options.vcd +
      "' -P jtag:tck=TCK:tms=TMS:tdi=TDI:tdo=TDO -A jtag=bitstrings-tdo");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string& output = run.out;
  // One data-register scan, and it carried the IDCODE.
  EXPECT_NE(output.find("DR TDO: 01011001011000000100000010010011 (0x59604093), 32 bits"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("DR TDO"), output.rfind("DR TDO")) << output;
}

}  // namespace
}  // namespace tapwright::sim
