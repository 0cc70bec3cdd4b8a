#pragma once
// RUNTEST in all its SVF forms, lowered to clocks in Run-Test/Idle.
#include <cstdint>
#include <string>

#include "fullsvf/decimal_number.hpp"
#include "fullsvf/diagnostics.hpp"
#include "fullsvf/svf_commands.hpp"

namespace tapwright::prep {

// The largest count one tapwright RUNTEST takes; longer waits are split.
inline constexpr std::uint64_t max_runtest_count = 2147483647;

// Appends the lowered statements to `out`; `hz` turns seconds into clocks.
// 0 on a problem, which goes to `diagnostics`.
int lower_runtest(const fullsvf::RuntestCommand& command, const fullsvf::DecimalNumber& hz,
                  std::string& out, fullsvf::Diagnostics& diagnostics);

}  // namespace tapwright::prep
