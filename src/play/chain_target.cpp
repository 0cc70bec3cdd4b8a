#include "play/chain_target.hpp"

#include <charconv>
#include <cstdio>

#include "sim/chain_description.hpp"

namespace tapwright::play {
namespace {

std::string id_text(const ChainId& id) {
  if (!id.has_idcode) return "no IDCODE (BYPASS)";
  char text[24];
  std::snprintf(text, sizeof text, "IDCODE 0x%08x", static_cast<unsigned>(id.idcode));
  return text;
}

std::string ids_text(const std::vector<ChainId>& ids) {
  std::string text;
  for (const ChainId& id : ids) text += (text.empty() ? "" : ", ") + id_text(id);
  return text;
}

}  // namespace

int chain_from_list(std::string_view list, std::vector<ChainDevice>& chain, std::string& error) {
  std::vector<sim::DeviceSpec> specs;
  if (!sim::parse_chain(list, specs, error)) return 0;
  if (specs.empty()) {
    error = "the chain '" + std::string(list) + "' has no device to play to";
    return 0;
  }
  chain.clear();
  for (const sim::DeviceSpec& s : specs) {
    ChainDevice d;
    d.id = {s.has_idcode, s.idcode};
    d.ir_length = s.ir_length;
    d.ir_capture = s.ir_capture;
    chain.push_back(d);
  }
  return 1;
}

int detect_for_target(Tap& tap, std::vector<ChainDevice>& chain, std::string& error) {
  DetectedChain detected;
  if (!detect_chain(tap, detected, error)) return 0;
  for (std::size_t k = 0; k < detected.devices.size(); ++k) {
    if (detected.devices[k].from == IrLengthFrom::unsettled) {
      error = "the IR length of device " + std::to_string(k + 1) +
              " cannot be told from the chain (tapwright-play --detect shows what fits): give "
              "the chain with --chain LIST";
      return 0;
    }
  }
  chain = std::move(detected.devices);
  return 1;
}

int check_chain(Tap& tap, const std::vector<ChainDevice>& chain, std::string& error) {
  std::vector<ChainId> read;
  if (!read_chain_ids(tap, read, error)) return 0;
  std::vector<ChainId> given;
  for (const ChainDevice& d : chain) given.push_back(d.id);
  if (read.size() != given.size()) {
    error = "the cable reads " + std::to_string(read.size()) + " devices (" + ids_text(read) +
            ") where --chain gives " + std::to_string(given.size()) + " (" + ids_text(given) + ")";
    return 0;
  }
  for (std::size_t k = 0; k < read.size(); ++k) {
    if (read[k] != given[k]) {
      error = "device " + std::to_string(k + 1) + " reads " + id_text(read[k]) +
              " where --chain gives " + id_text(given[k]);
      return 0;
    }
  }
  return 1;
}

int find_target(std::string_view device, const std::vector<ChainDevice>& chain, std::size_t& index,
                std::string& error) {
  const std::string prefix = "--device " + std::string(device) + ": ";
  const bool by_idcode = device.starts_with("0x") || device.starts_with("0X");
  const std::string_view digits = by_idcode ? device.substr(2) : device;
  std::uint64_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, value, by_idcode ? 16 : 10);
  if (digits.empty() || ec != std::errc{} || ptr != end || value > 0xFFFFFFFFu) {
    error = prefix + "give the device's position from 1 (at TDI) or its IDCODE as 0x...";
    return 0;
  }
  if (!by_idcode) {
    if (value < 1 || value > chain.size()) {
      error = prefix + "the chain's devices are 1 to " + std::to_string(chain.size());
      return 0;
    }
    index = static_cast<std::size_t>(value - 1);
    return 1;
  }
  std::vector<std::size_t> found;
  for (std::size_t k = 0; k < chain.size(); ++k) {
    if (chain[k].id == ChainId{true, static_cast<std::uint32_t>(value)}) found.push_back(k);
  }
  if (found.size() != 1) {
    error = prefix + (found.empty() ? "no device of the chain has this IDCODE"
                                    : std::to_string(found.size()) +
                                          " devices have this IDCODE: give the position");
    return 0;
  }
  index = found[0];
  return 1;
}

fullsvf::ChainPadding chain_padding(const std::vector<ChainDevice>& chain, std::size_t index) {
  fullsvf::ChainPadding p;
  for (std::size_t k = 0; k < chain.size(); ++k) {
    if (k == index) continue;
    // Headers are shifted first, so they reach the devices nearest TDO.
    const bool header = k > index;
    const int reset_bits = chain[k].id.has_idcode ? 32 : 1;
    (header ? p.ir_header : p.ir_trailer) += chain[k].ir_length;
    (header ? p.dr_header : p.dr_trailer) += 1;
    (header ? p.reset_dr_header : p.reset_dr_trailer) += reset_bits;
  }
  return p;
}

int settle_target(std::vector<ChainDevice> chain, std::string_view device, ChainTarget& target,
                  std::string& error) {
  if (!find_target(device, chain, target.index, error)) return 0;
  target.padding = chain_padding(chain, target.index);
  target.chain = std::move(chain);
  return 1;
}

std::string target_text(const ChainTarget& target) {
  const fullsvf::ChainPadding& p = target.padding;
  return "device " + std::to_string(target.index + 1) + " of " +
         std::to_string(target.chain.size()) + " (" + id_text(target.chain[target.index].id) +
         "); the others in BYPASS: instruction scans padded by " + std::to_string(p.ir_header) +
         " bits before and " + std::to_string(p.ir_trailer) + " after, data scans by " +
         std::to_string(p.dr_header) + " and " + std::to_string(p.dr_trailer);
}

}  // namespace tapwright::play
