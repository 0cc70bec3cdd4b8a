#include "play/chain_report.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/exit_status.hpp"
#include "driver/cable_session.hpp"
#include "jtag/idcode.hpp"
#include "play/cable_failure.hpp"
#include "sim/chain_description.hpp"

namespace tapwright::play {
namespace {

std::string hex(std::uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
  return text;
}

std::string idcode_line(std::uint32_t idcode) {
  const IdcodeFields f = idcode_fields(idcode);
  const std::string_view maker = jep106_maker(f.jep106_bank, f.jep106_code);
  std::string text =
      "IDCODE " + hex(idcode, 8) + ": " +
      (maker.empty() ? std::string("maker not known to tapwright") : std::string(maker)) +
      " (JEP106 bank " + std::to_string(f.jep106_bank) + ", code " +
      hex(static_cast<std::uint64_t>(f.jep106_code), 2) + "), part " +
      hex(static_cast<std::uint64_t>(f.part), 4) + ", version " + std::to_string(f.version);
  if (const auto part = find_known_part(idcode)) text += ": " + std::string(part->name);
  return text;
}

std::string lengths_text(const std::vector<int>& lengths) {
  std::string text;
  for (std::size_t k = 0; k < lengths.size(); ++k) {
    text += k == 0 ? "" : k + 1 == lengths.size() ? " or " : ", ";
    text += std::to_string(lengths[k]);
  }
  return text;
}

std::string ir_line(const ChainDevice& d) {
  const std::string captured = "captures " + hex(d.ir_capture, (std::min(d.ir_length, 64) + 3) / 4);
  switch (d.from) {
    case IrLengthFrom::capture:
      return "IR " + std::to_string(d.ir_length) + " bits, from the capture values (" + captured +
             ")";
    case IrLengthFrom::known_part:
      return "IR " + std::to_string(d.ir_length) + " bits, from the known parts' lengths (" +
             captured + "; the capture values alone allow " + lengths_text(d.possible) + ")";
    case IrLengthFrom::unsettled:
      break;
  }
  return "IR length not settled: the capture values allow " + lengths_text(d.possible) +
         " bits and the part is not known; the chain below takes " + std::to_string(d.ir_length) +
         ": if that is wrong, give the chain with --chain LIST";
}

}  // namespace

std::string chain_list(const DetectedChain& chain) {
  std::vector<sim::DeviceSpec> specs;
  for (const ChainDevice& d : chain.devices) {
    sim::DeviceSpec s;
    s.ir_length = d.ir_length;
    s.ir_capture = d.ir_capture;
    s.has_idcode = d.id.has_idcode;
    s.idcode = d.id.idcode;
    specs.push_back(s);
  }
  return sim::format_chain(specs);
}

void print_chain(const DetectedChain& chain, std::ostream& out) {
  const std::size_t n = chain.devices.size();
  out << n << (n == 1 ? " device" : " devices")
      << ", from the one nearest TDI (the order of --sim= and --chain); instruction registers "
      << chain.ir_bits << " bits in all:\n";
  for (std::size_t k = 0; k < n; ++k) {
    const ChainDevice& d = chain.devices[k];
    out << "device " << k + 1 << ": "
        << (d.id.has_idcode ? idcode_line(d.id.idcode) : "no IDCODE (BYPASS)") << "\n"
        << "  " << ir_line(d) << "\n";
  }
  const std::string list = chain_list(chain);
  out << "To play a file to one device (add --chain " << list
      << " to check this chain rather than detect it):\n";
  for (std::size_t k = 0; k < n; ++k) {
    const ChainId& id = chain.devices[k].id;
    out << "  device " << k + 1 << ": --device " << k + 1;
    const auto same = std::count_if(chain.devices.begin(), chain.devices.end(),
                                    [&](const ChainDevice& d) { return d.id == id; });
    if (id.has_idcode && same == 1) out << " or --device " << hex(id.idcode, 8);
    out << "\n";
  }
  out << "--sim=" << list << "\n";
}

int detect_main(Device& device, CableSetup setup, const PlayStreams& streams) {
  DetectedChain chain;
  std::string error;
  setup.compare = 1;
  const CableRun run =
      run_on_cable(device, setup, [&](Tap& tap) { return detect_chain(tap, chain, error); });
  if (report_cable_failure(run, "--detect", streams.err)) return cli::exit_failed;
  if (run.end != CablePhase::done) {
    std::fprintf(streams.err, "tapwright-play: --detect: %s\n",
                 error.empty() ? "the cable failed (a write or read fell short)" : error.c_str());
    return cli::exit_failed;
  }
  std::ostringstream report;
  print_chain(chain, report);
  std::fputs(report.str().c_str(), streams.out);
  return cli::exit_ok;
}

}  // namespace tapwright::play
