#pragma once
// The one fault a simulated cable can be told to show, for tests of the
// player's failure paths: "open" (every open fails), "reopen" (the second
// open fails), "bitmode" (setting the bit mode fails), "write:N" (the N-th
// write call takes and reports one byte fewer than given), "read:N" (the
// N-th read call delivers and reports at least one byte fewer than asked),
// "tdo-low" (TDO stuck at 0: a dead or unpowered chain) and "tdo-high" (TDO
// stuck at 1: TDO not connected, pulled up).
#include <cstdint>
#include <string>
#include <string_view>

namespace tapwright::sim {

enum class FaultKind : std::uint8_t {
  none,
  open,
  reopen,
  bit_mode,
  write,
  read,
  tdo_low,
  tdo_high
};

struct FaultPlan {
  FaultKind kind = FaultKind::none;
  std::uint64_t call = 0;  // write and read: the 1-based number of the call
  bool operator==(const FaultPlan&) const = default;
};

// 1 with `plan` set, or 0 with a one-line reason in `error`.
int parse_fault(std::string_view text, FaultPlan& plan, std::string& error);

}  // namespace tapwright::sim
