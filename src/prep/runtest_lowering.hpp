#pragma once
// RUNTEST in all its SVF forms, lowered to clocks in Run-Test/Idle.
#include <cstdint>
#include <optional>
#include <string>

#include "fullsvf/decimal_number.hpp"
#include "fullsvf/diagnostics.hpp"
#include "fullsvf/svf_commands.hpp"

namespace tapwright::prep {

// The largest count one tapwright RUNTEST takes; longer waits are split.
inline constexpr std::uint64_t max_runtest_count = 2147483647;

// The clocks the wait in seconds of `command` takes at `hz`, rounded up;
// empty, with the problem told, beyond 2^53 (months at any cable's speed:
// a typo).
std::optional<std::uint64_t> wait_clocks(const fullsvf::RuntestCommand& command,
                                         const fullsvf::DecimalNumber& hz,
                                         fullsvf::Diagnostics& diagnostics);

// Appends the lowered statements to `out`; `hz` turns seconds into clocks,
// and when it is not known yet (null) the wait is not judged. 0 on a
// problem, which goes to `diagnostics`.
int lower_runtest(const fullsvf::RuntestCommand& command, const fullsvf::DecimalNumber* hz,
                  std::string& out, fullsvf::Diagnostics& diagnostics);

}  // namespace tapwright::prep
