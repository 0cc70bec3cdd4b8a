#pragma once
// RUNTEST in all its SVF forms, lowered to clocks in Run-Test/Idle:
//   RUNTEST [run_state] [count TCK|SCK] [min_time SEC [MAXIMUM max SEC]]
//           [ENDSTATE end_state];
#include <optional>
#include <string>

#include "jtag/tap_state.hpp"
#include "prep/decimal_number.hpp"
#include "prep/prep_diagnostic.hpp"
#include "prep/svf_statement.hpp"

namespace tapwright::prep {

// The largest count one tapwright RUNTEST takes; longer waits are split.
inline constexpr std::uint64_t max_runtest_count = 2147483647;

class RuntestLowering {
 public:
  // Appends the lowered statements to `out` and moves `current` to where the
  // TAP controller ends. `hz` turns seconds into clocks. 0 on a problem,
  // which goes to `diagnostics`.
  int lower(const Statement& statement, const DecimalNumber& hz, std::string& out,
            TapState& current, Diagnostics& diagnostics);

 private:
  // SVF keeps both from one RUNTEST to the next.
  TapState run_state_ = TapState::run_test_idle;
  TapState end_state_ = TapState::run_test_idle;
};

}  // namespace tapwright::prep
