// Detection on simulated chains, and files played to one device of a chain
// against the same files on that device alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "cli/exit_status.hpp"
#include "driver/cable_session.hpp"
#include "jtag/idcode.hpp"
#include "play/chain_report.hpp"
#include "play/chain_target.hpp"
#include "play/svf_player.hpp"
#include "sim/sim_device.hpp"
#include "support/captured_stream.hpp"

namespace tapwright::play {
namespace {

struct Report {
  int status = 0;
  std::string out, err;
};

void configure(sim::SimDevice& device, const std::string& chain, const std::string& fault) {
  sim::SimOptions options;
  options.chain = chain;
  options.fault = fault;
  std::string error;
  ASSERT_TRUE(device.configure(options, error)) << error;
}

Report detect(const std::string& chain, const std::string& fault = "") {
  sim::SimDevice device;
  configure(device, chain, fault);
  testing::CapturedStream out, err;
  Report r;
  r.status = detect_main(device, {}, {out.file(), err.file()});
  r.out = out.text();
  r.err = err.text();
  return r;
}

std::string repeated(const std::string& device, int count) {
  std::string list = device;
  for (int k = 1; k < count; ++k) list += "," + device;
  return list;
}

TEST(ChainDetection, ReportsTheChainTheSimulatorWasGiven) {
  const std::string chains[] = {
      "32/0x7ffffffd:0x0362d093",
      "3/0x5:bypass,8:0x59604093,10/0x3fd:bypass,6:0x0362d093,2:bypass,4/0xd:0x4ba00477",
      // Captures that split two ways, settled by the parts' known lengths.
      "8:0x59604093,6/0x5:0x0362d093",
      "6/0x5:0x0362d093,10/0x2d:0x020a10dd,2:bypass",
      // A known length that does not fit the captures is left out.
      "6/0x5:0x59604093,2:bypass",
      repeated("2:bypass", max_chain_devices),
  };
  for (const std::string& chain : chains) {
    const Report r = detect(chain);
    EXPECT_EQ(r.status, cli::exit_ok) << chain;
    EXPECT_EQ(r.err, "") << chain;
    EXPECT_TRUE(r.out.ends_with("\n--sim=" + chain + "\n")) << r.out;
  }
}

TEST(ChainDetection, TheWholeReport) {
  // Read from TDO, the first two registers capture 1010 and 1010: 2 to 6
  // bits each, which only their total of 8, left by the known parts, bounds.
  const Report r = detect("8:0x59604093,6/0x5:0x0362d093,4/0x5:0x00000fff,4/0x5:bypass");
  EXPECT_EQ(r.status, cli::exit_ok);
  EXPECT_EQ(
      r.out,
      R"(4 devices, from the one nearest TDI (the order of --sim= and --chain); instruction registers 22 bits in all:
device 1: IDCODE 0x59604093: Xilinx (JEP106 bank 1, code 0x49), part 0x9604, version 5: XC9572XL
  IR 8 bits, from the known parts' lengths (captures 0x01; the capture values alone allow 8, 12, 14 or 16)
device 2: IDCODE 0x0362d093: Xilinx (JEP106 bank 1, code 0x49), part 0x362d, version 0: XC7A35T
  IR 6 bits, from the known parts' lengths (captures 0x05; the capture values alone allow 2, 4, 6, 8 or 10)
device 3: IDCODE 0x00000fff: maker not known to tapwright (JEP106 bank 16, code 0x7f), part 0x0000, version 0
  IR length not settled: the capture values allow 2, 4 or 6 bits and the part is not known; the chain below takes 6: if that is wrong, give the chain with --chain LIST
device 4: no IDCODE (BYPASS)
  IR length not settled: the capture values allow 2, 4 or 6 bits and the part is not known; the chain below takes 2: if that is wrong, give the chain with --chain LIST
To play a file to one device (add --chain 8:0x59604093,6/0x5:0x0362d093,6/0x15:0x00000fff,2:bypass to check this chain rather than detect it):
  device 1: --device 1 or --device 0x59604093
  device 2: --device 2 or --device 0x0362d093
  device 3: --device 3 or --device 0x00000fff
  device 4: --device 4
--sim=8:0x59604093,6/0x5:0x0362d093,6/0x15:0x00000fff,2:bypass
)");
}

TEST(ChainDetection, ChainsThatCannotBeRead) {
  const std::string check = "; check the wiring and the cable\n";
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"8:0x59604093", "tdo-high",
       "TDO reads constant 1 (no device answered in the data registers): TDO may not be "
       "connected, or the target unpowered" +
           check},
      {"1:bypass", "",
       "the instruction registers' 1 captured bits do not split into 1 registers that each "
       "capture binary ...01\n"},
      {repeated("2:bypass", max_chain_devices + 1), "",
       "the chain does not end within 64 devices (the 1s shifted in never came back): TDO may be "
       "floating or on the wrong pin" +
           check},
  };
  for (const auto& [chain, fault, message] : cases) {
    const Report r = detect(chain, fault);
    EXPECT_EQ(r.status, cli::exit_failed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tapwright-play: --detect: " + message);
  }
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Every vendor file that checks an IDCODE (an SDR 32 whose TDO has bit 0
// set) checks a known part, whose IR length is that of the file's SIRs.
TEST(KnownParts, TheVendorFilesParts) {
  const std::regex sir(R"(SIR\s+(\d+))");
  const std::regex idcode(R"(SDR\s+32\s+TDI\s*\(\w+\)\s*(SMASK\s*\(\w+\)\s*)?TDO\s*\((\w+)\))");
  if (!std::filesystem::is_directory(TAPWRIGHT_CORPUS_DIR)) GTEST_SKIP() << "no vendor files";
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TAPWRIGHT_CORPUS_DIR)) {
    const std::string head = read_file(entry.path()).substr(0, 20000);
    std::smatch i, s;
    if (!std::regex_search(head, i, idcode) || (std::stoul(i[2], nullptr, 16) & 1) == 0) continue;
    ASSERT_TRUE(std::regex_search(head, s, sir)) << entry.path();
    const auto part = find_known_part(static_cast<std::uint32_t>(std::stoul(i[2], nullptr, 16)));
    EXPECT_TRUE(part && part->ir_length == std::stoi(s[1])) << entry.path();
    ++checked;
  }
  EXPECT_EQ(checked, 12);
}

// What a file did to the device it was played to, and its verdicts.
struct Outcome {
  std::string error;
  std::uint64_t instruction = 0;
  int state = 0;
  std::string scratch;
  std::uint64_t compared = 0;
  std::vector<std::pair<int, std::int64_t>> failures;  // line, differing bits
  bool operator==(const Outcome&) const = default;
};

// Plays `svf` into the simulated `chain` to `device` of `list` (empty:
// detected; "-": unpadded, as to a chain of one).
Outcome play_to(const std::string& chain, const std::string& list, const std::string& device,
                const std::string& svf, std::size_t at) {
  sim::SimDevice sim;
  configure(sim, chain, "");
  Outcome out;
  std::vector<ChainDevice> devices;
  std::size_t index = 0;
  ScanCheck check(100);
  run_on_cable(sim, {1}, [&](Tap& tap) {
    fullsvf::Diagnostics diagnostics([&](const fullsvf::Diagnostic& d) {
      out.error = std::to_string(d.line) + ": " + d.message;
    });
    fullsvf::SvfSource source(svf);
    fullsvf::SvfFrontEnd front_end(source, diagnostics);
    if (list != "-") {
      if (!(list.empty() ? detect_for_target(tap, devices, out.error)
                         : chain_from_list(list, devices, out.error) &&
                               check_chain(tap, devices, out.error)) ||
          !find_target(device, devices, index, out.error)) {
        return false;
      }
      front_end.pad_for_chain(chain_padding(devices, index));
    }
    tap.link().set_listener(&check);
    PlaySettings settings;
    settings.compare = 1;
    settings.keep_going = true;
    SystemClock clock;
    SvfPlayer player(diagnostics, settings, clock, tap, &check, nullptr);
    while (out.error.empty() && front_end.next(player)) {
    }
    return out.error.empty() && player.settle() == 1;
  });
  const sim::TapDevice& target = sim.chain().device(at);
  out.instruction = target.instruction();
  out.state = sim::controller_code(target.state());
  const sim::BitString& bits = target.scratch(2);  // the examples' user register
  for (std::size_t b = 0; b < bits.size(); ++b) out.scratch += char('0' + bits.bit(b));
  out.compared = check.compared_scans();
  for (const ScanFailure& f : check.failures()) out.failures.emplace_back(f.line, f.differing);
  return out;
}

TEST(ChainTarget, EachExamplePlaysToEachPositionAsToTheDeviceAlone) {
  const std::string target = "8:0x59604093";
  const std::vector<std::string> others = {"6/0x5:0x0362d093", "10/0x3fd:bypass"};
  std::vector<std::string> files = {
      // IDCODE read at once after a reset, before an SIR selects BYPASS.
      "SDR 32 TDI (0) TDO (59604093);\nSIR 8 TDI (02);\nSDR 9 TDI (1a5);\nSTATE RESET;\n"
      "SDR 32 TDI (0) TDO (59604093);\n"};
  for (const auto& entry : std::filesystem::directory_iterator(TAPWRIGHT_EXAMPLES_DIR)) {
    files.push_back(read_file(entry.path()));
  }
  for (const std::string& svf : files) {
    const Outcome alone = play_to(target, "-", "", svf, 0);
    EXPECT_GT(alone.compared, 0u);

    for (std::size_t at = 0; at < 3; ++at) {
      std::vector<std::string> chain = others;
      chain.insert(chain.begin() + static_cast<std::ptrdiff_t>(at), target);
      const std::string list = chain[0] + "," + chain[1] + "," + chain[2];
      EXPECT_EQ(play_to(list, list, std::to_string(at + 1), svf, at), alone) << list << svf;
      EXPECT_EQ(play_to(list, "", "0x59604093", svf, at), alone) << list << svf;
    }
  }
}

TEST(ChainTarget, NothingPlaysToAChainOtherThanDescribed) {
  const std::string two = "8:0x59604093,6:0x0362d093";
  const std::string svf = "SIR 8 TDI (02) TDO (01);\n";
  // The simulated chain, --chain (empty: detected), --device, the file, the problem.
  const std::tuple<std::string, std::string, std::string, std::string, std::string> cases[] = {
      {two, "8:0x59604093", "1", svf,
       "the cable reads 2 devices (IDCODE 0x59604093, IDCODE 0x0362d093) where --chain gives "
       "1 (IDCODE 0x59604093)"},
      {two, "", "0x1", svf, "--device 0x1: no device of the chain has this IDCODE"},
      {"8:0x59604093,8:0x59604093", "", "0x59604093", svf,
       "--device 0x59604093: 2 devices have this IDCODE: give the position"},
      {two, two, "0", svf, "--device 0: the chain's devices are 1 to 2"},
      {two, two, "1x", svf,
       "--device 1x: give the device's position from 1 (at TDI) or its IDCODE as 0x..."},
      {two, "none", "1", svf, "the chain 'none' has no device to play to"},
      {two, two, "2", "TDR 0;\nHDR 1 TDI (0);\n" + svf,
       "2: HDR 1 pads the scans for other devices of the chain, which --device does already: "
       "use one or the other"},
      {"4/0x5:bypass,4/0x5:bypass", "", "1", svf,
       "the IR length of device 1 cannot be told from the chain (tapwright-play --detect "
       "shows what fits): give the chain with --chain LIST"},
  };
  for (const auto& [chain, list, device, file, problem] : cases) {
    const Outcome out = play_to(chain, list, device, file, 0);
    EXPECT_TRUE(out.error.starts_with(problem)) << out.error;
    EXPECT_EQ(out.compared, 0u) << problem;
  }
}

}  // namespace
}  // namespace tapwright::play
