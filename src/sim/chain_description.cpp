#include "sim/chain_description.hpp"

#include <charconv>
#include <cstdio>

namespace tapwright::sim {

namespace {

// Decimal, or hexadecimal after 0x/0X; the whole text, no sign, no blanks.
int parse_number(std::string_view text, std::uint64_t& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty() || text[0] == '+' || text[0] == '-') return 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  return ec == std::errc{} && ptr == end ? 1 : 0;
}

std::string quoted(std::string_view text) {
  std::string out(1, '\'');
  out += text;
  out += '\'';
  return out;
}

std::string hex(std::uint64_t value) {
  char digits[19] = {'0', 'x'};
  char* end = std::to_chars(digits + 2, digits + sizeof digits, value, 16).ptr;
  return std::string(digits, static_cast<std::size_t>(end - digits));
}

std::uint64_t ones(std::uint64_t bits) {
  return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// IRLEN[/IRCAPTURE]; 0 with the reason when it is no instruction register.
int parse_register(std::string_view text, DeviceSpec& spec, std::string& reason) {
  const std::size_t slash = text.find('/');
  const std::string_view length_text = text.substr(0, slash);
  std::uint64_t ir_length = 0;
  if (!parse_number(length_text, ir_length)) {
    reason = "IRLEN " + quoted(length_text) + " is not a number";
    return 0;
  }
  if (ir_length < 1 || ir_length > max_ir_length) {
    reason = "IRLEN " + quoted(length_text) + " is not between 1 and 64";
    return 0;
  }
  spec.ir_length = static_cast<int>(ir_length);
  if (slash == std::string_view::npos) return 1;
  const std::string_view capture_text = text.substr(slash + 1);
  if (!parse_number(capture_text, spec.ir_capture)) {
    reason = "IR capture " + quoted(capture_text) + " is not a number";
    return 0;
  }
  if (spec.ir_capture > ones(ir_length)) {
    reason = "IR capture " + hex(spec.ir_capture) + " does not fit in an IR of " +
             std::to_string(ir_length) + " bits";
    return 0;
  }
  // IEEE 1149.1 fixes the two bits shifted out first, which is how the
  // instruction registers of a chain are told apart.
  if ((spec.ir_capture & 3u) != 1) {
    reason = "IR capture " + hex(spec.ir_capture) + " does not end in binary 01";
    return 0;
  }
  return 1;
}

// One device's fields; 0 with the reason when they do not make a device.
int parse_device(std::string_view text, DeviceSpec& spec, std::string& reason) {
  static constexpr const char* form = " (IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE])";
  if (text.empty()) {
    reason = "empty device";
    return 0;
  }
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t colon = text.find(':', start);
    fields.push_back(text.substr(start, colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (fields.size() < 2) {
    reason = "device " + quoted(text) + " has no IDCODE" + form;
    return 0;
  }
  if (fields.size() > 3) {
    reason = "device " + quoted(text) + " has more than three fields" + form;
    return 0;
  }
  DeviceSpec parsed;
  if (!parse_register(fields[0], parsed, reason)) return 0;
  if (fields[1] == "bypass") {
    if (fields.size() == 3) {
      reason = "device " + quoted(text) + " has no IDCODE, so no IDCODE opcode either";
      return 0;
    }
    parsed.has_idcode = false;
    spec = parsed;
    return 1;
  }
  std::uint64_t idcode = 0;
  if (!parse_number(fields[1], idcode)) {
    reason = "IDCODE " + quoted(fields[1]) + " is not a number (or bypass)";
    return 0;
  }
  if (idcode > 0xFFFFFFFFu) {
    reason = "IDCODE " + quoted(fields[1]) + " does not fit in 32 bits";
    return 0;
  }
  parsed.idcode = static_cast<std::uint32_t>(idcode);
  if (fields.size() == 3 && !parse_number(fields[2], parsed.idcode_opcode)) {
    reason = "IDCODE opcode " + quoted(fields[2]) + " is not a number";
    return 0;
  }
  const std::uint64_t all_ones = ones(static_cast<std::uint64_t>(parsed.ir_length));
  if (parsed.idcode_opcode > all_ones) {
    reason = "IDCODE opcode " + hex(parsed.idcode_opcode) + " does not fit in an IR of " +
             std::to_string(parsed.ir_length) + " bits";
    return 0;
  }
  if (parsed.idcode_opcode == all_ones) {
    reason = "IDCODE opcode " + hex(parsed.idcode_opcode) + " is the BYPASS opcode (all ones)";
    return 0;
  }
  spec = parsed;
  return 1;
}

}  // namespace

int parse_chain(std::string_view text, std::vector<DeviceSpec>& devices, std::string& error) {
  const std::string prefix = "bad chain description " + quoted(text) + ": ";
  if (text == "none") {
    devices.clear();
    return 1;
  }
  if (text.empty()) {
    error = prefix + "no device (use 'none' for an empty chain)";
    return 0;
  }
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  std::vector<DeviceSpec> parsed(parts.size());
  for (std::size_t k = 0; k < parts.size(); ++k) {
    std::string reason;
    if (!parse_device(parts[k], parsed[k], reason)) {
      // With one device the reason alone is clear; in a chain, say which.
      error = prefix + (parts.size() > 1 ? "device " + std::to_string(k + 1) + ": " : "") + reason;
      return 0;
    }
  }
  devices = std::move(parsed);
  return 1;
}

std::string format_chain(const std::vector<DeviceSpec>& devices) {
  if (devices.empty()) return "none";
  std::string text;
  for (const DeviceSpec& d : devices) {
    if (!text.empty()) text += ',';
    text += std::to_string(d.ir_length);
    if (d.ir_capture != 1) text += '/' + hex(d.ir_capture);
    if (!d.has_idcode) {
      text += ":bypass";
      continue;
    }
    char idcode[11];
    std::snprintf(idcode, sizeof idcode, "0x%08x", static_cast<unsigned>(d.idcode));
    (text += ':') += idcode;
    if (d.idcode_opcode != 1) text += ':' + hex(d.idcode_opcode);
  }
  return text;
}

}  // namespace tapwright::sim
