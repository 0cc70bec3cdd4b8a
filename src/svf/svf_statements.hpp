#pragma once
// The statements svf_run plays, one function each. Every one reads its own
// words from the context's tokenizer and returns 1 or 0 like svf_run.
#include "svf/svf_run.hpp"

namespace tapwright {

int play_skipped(ScanContext& ctx);
int play_scan(ScanContext& ctx);
int play_runtest(ScanContext& ctx);
int play_state(ScanContext& ctx);
int play_end_state(ScanContext& ctx);

// Writes `text` as it is (it may be longer than any format buffer).
inline void echo_text(std::FILE* out, std::string_view text) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace tapwright
