#pragma once
// Plays an SVF file statement by statement: SIR/SDR with TDI, TDO, MASK and
// SMASK; RUNTEST n TCK; STATE; ENDIR/ENDDR; TRST, FREQUENCY and zero-length
// HIR/TIR/HDR/TDR are read and skipped. Anything else ends the run.
#include <cstdio>
#include <string>
#include <string_view>

#include "jtag/tap.hpp"
#include "link/clock_stream.hpp"
#include "svf/svf_tokenizer.hpp"

namespace tapwright {

// The MASK and SMASK last given, kept separately for SIR and SDR: a value
// given once stays in force for every later scan of its kind. They live as
// long as the program; the player creates them once per run.
struct SvfMasks {
  std::string ir_mask;
  std::string ir_smask;
  std::string dr_mask;
  std::string dr_smask;
  // The all-zero TDO and mask of the last scan that had no TDO.
  std::string zero_mask;
};

// Everything one call of svf_run works with.
struct ScanContext {
  ScanContext(SvfTokenizer& input_, Tap& tap_, int verbose_, SvfMasks& masks_, std::FILE* echo_)
      : input(input_), tap(tap_), verbose(verbose_), masks(masks_), echo(echo_) {}

  SvfTokenizer& input;
  Tap& tap;
  int verbose;
  SvfMasks& masks;
  std::FILE* echo;  // standard output in the program

  TapState endir_state = TapState::run_test_idle;
  TapState enddr_state = TapState::run_test_idle;
  int statement_end = 0;
  std::string command_word;
  std::string clause_word;
  std::int32_t scan_length = 0;
  std::string tdi_value;
  std::string tdo_value;
};

// 1 when the input ended where a statement would begin, or inside a skipped
// statement; 0 at the first statement that cannot be played, the first
// failure of the link, or when the input could not be read to its end. Prints nothing but the echo
// of `verbose` on `echo`.
int svf_run(SvfTokenizer& input, ClockStream& stream, DeviceHandle device, int verbose,
            TapState& state, int compare_mode, SvfMasks& masks, std::FILE* echo);

// svf_run on a TAP object that already has its link.
int svf_run_on(SvfTokenizer& input, Tap& tap, int verbose, SvfMasks& masks, std::FILE* echo);

// TRST, FREQUENCY, HIR, TIR, HDR, TDR.
int svf_is_ignored_command(std::string_view word);
// SIR, SDR.
int svf_is_scan_command(std::string_view word);
// (bits + 3) / 4 characters "0", none when that is 0 or less.
void hex_zero_fill(std::int32_t bits, std::string& value);
// 1 when every character is 0-9, a-f or A-F (the empty value included).
int hex_is_digits(std::string_view value);

}  // namespace tapwright
