#pragma once
// An independent check of which statements of an SVF text lie inside the
// language tapwright plays, written from the language's rules rather than
// from the player's code, so the corpus test can say where a file must stop.
#include <cstddef>
#include <string>

namespace tapwright::testing {

struct SubsetVerdict {
  bool inside = true;             // every statement can be played
  std::size_t first_outside = 0;  // byte offset of the first statement that cannot
  std::string reason;
};

SubsetVerdict check_subset(const std::string& text);

}  // namespace tapwright::testing
