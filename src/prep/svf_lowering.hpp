#pragma once
// Lowers a full SVF file to the statements tapwright plays, or finds every
// reason why it cannot be. The file is read in passes, through a buffer:
// the first finds every problem and the rate for waits in seconds, a second
// judges those waits once the rate is known (when no --tck-hz gives it, the
// rate is the file's last FREQUENCY), and the last writes the lowered
// statements as it goes, so that nothing is written for a file that cannot
// be lowered and memory does not grow with the file.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fullsvf/decimal_number.hpp"
#include "fullsvf/diagnostics.hpp"
#include "fullsvf/svf_source.hpp"

namespace tapwright::prep {

struct LoweringOptions {
  std::string input_name;                        // named in the first line of the output
  std::optional<fullsvf::DecimalNumber> tck_hz;  // overrides the file's FREQUENCY
};

// The clock rate used for times in seconds when neither --tck-hz nor a
// FREQUENCY of the file gives one.
inline constexpr std::string_view default_tck_hz = "1000000";

// What the first pass found.
struct LoweringPlan {
  int errors = 0;
  std::uint64_t statements = 0;
  fullsvf::DecimalNumber hz;
  std::string hz_source;      // where `hz` comes from, for the first line
  bool rate_assumed = false;  // the default rate turns seconds into clocks
  // The waits in seconds are still to be judged at `hz` (svf_check_waits).
  bool waits_to_check = false;
};

// The first pass: every problem and note to `diagnostics`.
LoweringPlan svf_check_lowering(fullsvf::SvfSource& source, const LoweringOptions& options,
                                fullsvf::Diagnostics& diagnostics);

// When plan.waits_to_check, a pass over the same text that judges every
// wait in seconds at the rate the first pass found, and counts what it
// refuses into plan.errors.
void svf_check_waits(fullsvf::SvfSource& source, LoweringPlan& plan,
                     fullsvf::Diagnostics& diagnostics);

// The last pass, over the same text: the lowered file, handed to `write`
// in pieces. 0 when `write` fails (it returns 0) or the text now has a
// problem the first passes did not see.
int svf_write_lowered(fullsvf::SvfSource& source, const LoweringOptions& options,
                      const LoweringPlan& plan, const std::function<int(std::string_view)>& write);

// Every pass over text in memory.
struct LoweringResult {
  int lowered = 0;     // 1: `output` plays the file; 0: see `diagnostics`
  std::string output;  // empty unless lowered
  std::vector<fullsvf::Diagnostic> diagnostics;
};
LoweringResult svf_lower(std::string_view text, const LoweringOptions& options);

}  // namespace tapwright::prep
