#pragma once
// Lowers a full SVF file to the statements tapwright plays, or finds every
// reason why it cannot be.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "prep/decimal_number.hpp"
#include "prep/prep_diagnostic.hpp"

namespace tapwright::prep {

struct LoweringOptions {
  std::string input_name;               // named in the first line of the output
  std::optional<DecimalNumber> tck_hz;  // overrides the file's FREQUENCY
};

struct LoweringResult {
  int lowered = 0;     // 1: `output` plays the file; 0: see `diagnostics`
  std::string output;  // empty unless lowered
  std::vector<Diagnostic> diagnostics;
};

// The clock rate used for times in seconds when neither --tck-hz nor a
// FREQUENCY of the file gives one.
inline constexpr std::string_view default_tck_hz = "1000000";

LoweringResult svf_lower(std::string_view text, const LoweringOptions& options);

}  // namespace tapwright::prep
