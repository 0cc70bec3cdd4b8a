#include "sim/fault_plan.hpp"

#include <charconv>
#include <cstdint>

namespace tapwright::sim {

int parse_fault(std::string_view text, FaultPlan& plan, std::string& error) {
  std::string prefix = "bad fault '";
  prefix += text;
  prefix += "': ";
  if (text.empty()) {
    plan = {};
    return 1;
  }
  if (text == "open") {
    plan = {FaultKind::open, 0};
    return 1;
  }
  if (text == "reopen") {
    plan = {FaultKind::reopen, 0};
    return 1;
  }
  if (text == "bitmode") {
    plan = {FaultKind::bit_mode, 0};
    return 1;
  }
  if (text == "tdo-low" || text == "tdo-high") {
    plan = {text == "tdo-low" ? FaultKind::tdo_low : FaultKind::tdo_high, 0};
    return 1;
  }
  FaultKind kind = FaultKind::none;
  std::string_view count;
  if (text.starts_with("write:")) {
    kind = FaultKind::write;
    count = text.substr(6);
  } else if (text.starts_with("read:")) {
    kind = FaultKind::read;
    count = text.substr(5);
  } else {
    error = prefix + "expected open, reopen, bitmode, write:N, read:N, tdo-low or tdo-high";
    return 0;
  }
  std::uint64_t call = 0;
  const char* end = count.data() + count.size();
  const auto [ptr, ec] = std::from_chars(count.data(), end, call);
  if (ec == std::errc::result_out_of_range && ptr == end) {
    error = prefix + "N is too large (at most " + std::to_string(UINT64_MAX) + ")";
    return 0;
  }
  if (count.empty() || ec != std::errc{} || ptr != end || call == 0) {
    error = prefix + "N must be a call number of 1 or more";
    return 0;
  }
  plan = {kind, call};
  return 1;
}

}  // namespace tapwright::sim
