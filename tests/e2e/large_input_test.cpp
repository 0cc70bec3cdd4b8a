// Very long values: a 64-Mbit TDO on one line, and one wrapped over 100,000
// lines. Both must play and compare every bit, and the player's memory must
// follow the longest value, not the size of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "support/program_run.hpp"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAPWRIGHT_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TAPWRIGHT_UNDER_ASAN 1
#endif

namespace tapwright::testing {
namespace {

const std::string sim = TAPWRIGHT_SIM_PATH;

constexpr const char* one_mismatch =
    "\n   <<< 1 TDO outputs didn't match to the expected values... >>>\n\n";

struct LargeCase {
  const char* name;
  long bits;
  int line_digits;  // hex digits per line of the TDO value; 0 = all on one line
};
void PrintTo(const LargeCase& c, std::ostream* os) {
  *os << c.name;
}

// Writes an SDR of `bits` bits whose TDO is all ones (what the empty chain
// returns) but for one bit in the middle, with every bit compared: the run
// must count exactly that one. Written piece by piece, so that this process
// stays small and its own peak cannot be mistaken for the player's.
void write_long_sdr(const std::string& path, const LargeCase& c) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  const long digits = c.bits / 4;
  const long per_line = c.line_digits ? c.line_digits : 1L << 16;
  const std::string ones(static_cast<std::size_t>(per_line), 'f');
  std::fprintf(file, "SDR %ld TDI (0) TDO (", c.bits);
  for (long at = 0; at < digits; at += per_line) {
    std::string piece = ones.substr(0, static_cast<std::size_t>(std::min(per_line, digits - at)));
    if (at <= digits / 2 && digits / 2 < at + per_line) {
      piece[static_cast<std::size_t>(digits / 2 - at)] = '7';
    }
    if (c.line_digits) std::fputc('\n', file);
    std::fwrite(piece.data(), 1, piece.size(), file);
  }
  std::fputs(c.line_digits ? "\n);\n" : ");\n", file);
  ASSERT_EQ(std::fclose(file), 0) << path;
}

class LargeInput : public ::testing::TestWithParam<LargeCase> {};

TEST_P(LargeInput, PlaysEveryBitWithMemoryBoundedByTheValue) {
  const LargeCase& c = GetParam();
  const std::string path = scratch_dir(std::string("large-") + c.name) + "/long.svf";
  ASSERT_NO_FATAL_FAILURE(write_long_sdr(path, c));
  const long value_bytes = c.bits / 4;
  const ProgramRun run = run_program(sim, {"--chain", "none", path, "-c"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, one_mismatch);
#ifndef TAPWRIGHT_UNDER_ASAN
  // The value is held once, in an allocation of its own size; everything
  // else is a few MB of fixed buffers and the program itself.
  const long bound_kb = value_bytes / 1024 + 8 * 1024;
  EXPECT_LE(run.peak_rss_kb, bound_kb) << "value of " << value_bytes / 1024 << " KB";
#else
  (void)value_bytes;  // the sanitizer's shadow and quarantine say nothing of the player
#endif
}

INSTANTIATE_TEST_SUITE_P(Values, LargeInput,
                         ::testing::Values(LargeCase{"one_line_64_mbit", 64L << 20, 0},
                                           LargeCase{"wrapped_over_100000_lines", 25'600'000L, 64}),
                         [](const ::testing::TestParamInfo<LargeCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tapwright::testing
