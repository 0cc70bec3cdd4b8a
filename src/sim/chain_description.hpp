#pragma once
// The text that describes a simulated chain: "none", or devices from TDI to
// TDO separated by commas, each IRLEN:IDCODE[:IDCODE_OPCODE], numbers in
// decimal or with 0x in hexadecimal, e.g. "8:0x59604093,6:0x0362d093:0x09".
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
  bool operator==(const DeviceSpec&) const = default;
};

// 1 with `devices` filled (empty for "none"), or 0 with a one-line reason in
// `error` and `devices` untouched.
int parse_chain(std::string_view text, std::vector<DeviceSpec>& devices, std::string& error);

}  // namespace tapwright::sim
