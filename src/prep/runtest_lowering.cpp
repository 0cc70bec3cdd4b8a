#include "prep/runtest_lowering.hpp"

#include <algorithm>

namespace tapwright::prep {
namespace {

// A wait beyond this many clocks (months at any cable's speed) is a typo.
constexpr std::uint64_t limit = std::uint64_t{1} << 53;

void append_state(std::string& out, TapState state) {
  out += "STATE ";
  out += tap_state_name(state);
  out += ";\n";
}

}  // namespace

std::optional<std::uint64_t> wait_clocks(const fullsvf::RuntestCommand& command,
                                         const fullsvf::DecimalNumber& hz,
                                         fullsvf::Diagnostics& diagnostics) {
  if (!command.min_time) return 0;
  const auto clocks = fullsvf::ceil_product(*command.min_time, hz, limit);
  if (!clocks) {
    diagnostics.error(command.line, "RUNTEST waits longer than tapwright-prep accepts (" +
                                        command.min_time->to_string() +
                                        " SEC is over 2^53 clocks at " + hz.to_string() + " Hz)");
  }
  return clocks;
}

int lower_runtest(const fullsvf::RuntestCommand& command, const fullsvf::DecimalNumber* hz,
                  std::string& out, fullsvf::Diagnostics& diagnostics) {
  if (command.count_in_sck) {
    diagnostics.error(command.line, "RUNTEST counts SCK clocks, which tapwright cannot give");
    return 0;
  }
  std::optional<std::uint64_t> count = std::uint64_t{0};
  if (command.count) count = command.count->ceil();
  if (!count || *count > limit) {
    diagnostics.error(command.line,
                      "RUNTEST waits longer than tapwright-prep accepts (over 2^53 clocks)");
    return 0;
  }
  const std::optional<std::uint64_t> timed =
      hz ? wait_clocks(command, *hz, diagnostics) : std::uint64_t{0};
  if (!timed) return 0;
  if (command.max_time) {
    diagnostics.note(command.line, "MAXIMUM " + command.max_time->to_string() +
                                       " SEC ignored: tapwright bounds no wait from above");
  }
  const std::uint64_t clocks = std::max(*count, *timed);

  if (command.run_state != TapState::run_test_idle) {
    if (clocks != 0 || (command.min_time && !command.min_time->is_zero())) {
      diagnostics.error(command.line, "RUNTEST clocks in " +
                                          std::string(tap_state_name(command.run_state)) +
                                          ": tapwright gives run-test clocks only in IDLE");
      return 0;
    }
    append_state(out, command.run_state);
  } else if (clocks == 0) {
    append_state(out, TapState::run_test_idle);
  } else {
    for (std::uint64_t left = clocks; left > 0;) {
      const std::uint64_t part = std::min(left, max_runtest_count);
      out += "RUNTEST " + std::to_string(part) + " TCK;\n";
      left -= part;
    }
  }
  if (command.end_state != command.run_state) append_state(out, command.end_state);
  return 1;
}

}  // namespace tapwright::prep
