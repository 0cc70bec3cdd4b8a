#pragma once
// The text that describes a simulated chain: "none", or devices from TDI to
// TDO separated by commas, each IRLEN[/IRCAPTURE]:IDCODE[:IDCODE_OPCODE],
// numbers in decimal or with 0x in hexadecimal, e.g.
// "8:0x59604093,6:0x0362d093:0x09". IRCAPTURE is what the instruction
// register captures (binary ...01, 1 unless given: many parts capture status
// bits above the 01); IDCODE "bypass" is a device without an IDCODE register,
// whose data register after reset is BYPASS.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tapwright::sim {

inline constexpr int max_ir_length = 64;

struct DeviceSpec {
  int ir_length = 0;                // 1 to 64
  std::uint32_t idcode = 0;         // the 32-bit IDCODE register's contents
  std::uint64_t idcode_opcode = 1;  // fits in ir_length bits; never all ones
  std::uint64_t ir_capture = 1;     // fits in ir_length bits; low bits 01
  bool has_idcode = true;           // false: BYPASS after reset, no IDCODE
  bool operator==(const DeviceSpec&) const = default;
};

// 1 with `devices` filled (empty for "none"), or 0 with a one-line reason in
// `error` and `devices` untouched.
int parse_chain(std::string_view text, std::vector<DeviceSpec>& devices, std::string& error);

// The text parse_chain reads back as `devices`, with nothing it may leave out.
std::string format_chain(const std::vector<DeviceSpec>& devices);

}  // namespace tapwright::sim
