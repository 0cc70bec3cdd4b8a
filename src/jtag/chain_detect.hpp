#pragma once
// What is on a JTAG chain, found through the TAP object alone: the data
// register each device selects after reset (IDCODE or BYPASS), and the
// length of each instruction register, measured as a whole and split by
// the values the registers capture. Reading TDO needs a link in compare
// mode.
#include <cstdint>
#include <string>
#include <vector>

#include "jtag/tap.hpp"

namespace tapwright {

// A chain of more data registers than this is taken for one that never ends.
inline constexpr int max_chain_devices = 64;
// A chain whose instruction registers hold more bits in all is taken for one
// that never ends.
inline constexpr int max_chain_ir_bits = 4096;

// What a device's data register holds after reset: its IDCODE, or the 0 of
// BYPASS for a device without one.
struct ChainId {
  bool has_idcode = false;
  std::uint32_t idcode = 0;
  bool operator==(const ChainId&) const = default;
};

// How a device's instruction register length was found.
enum class IrLengthFrom {
  capture,     // the capture values alone
  known_part,  // the capture values and the known lengths of parts
  unsettled,   // neither: `ir_length` is one of `possible`
};

struct ChainDevice {
  ChainId id;
  int ir_length = 0;
  // What the instruction register captured (its low 64 bits), binary ...01.
  std::uint64_t ir_capture = 0;
  IrLengthFrom from = IrLengthFrom::capture;
  // Unless the capture values settled the length: the lengths they allow
  // (with the known parts' lengths, when those do not settle it either).
  std::vector<int> possible;
};

struct DetectedChain {
  std::vector<ChainDevice> devices;  // from the device nearest TDI
  int ir_bits = 0;                   // all instruction registers together
};

// Resets the chain and reads the data registers the reset selects: `ids`
// from the device nearest TDI. 1, or 0 with `error` saying what TDO showed
// and its usual causes.
int read_chain_ids(Tap& tap, std::vector<ChainId>& ids, std::string& error);

// read_chain_ids, then the instruction registers: their total length and
// capture values, split into each device's. Ends with every device in
// BYPASS and a reset. 1, or 0 with `error`.
int detect_chain(Tap& tap, DetectedChain& chain, std::string& error);

}  // namespace tapwright
