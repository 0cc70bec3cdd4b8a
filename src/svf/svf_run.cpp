#include "svf/svf_run.hpp"

#include <array>

#include "link/bit_bang_link.hpp"
#include "svf/svf_statements.hpp"

namespace tapwright {

int svf_is_ignored_command(std::string_view word) {
  static constexpr std::array<std::string_view, 6> ignored = {"HIR", "TIR",  "HDR",
                                                              "TDR", "TRST", "FREQUENCY"};
  for (std::string_view name : ignored) {
    if (word == name) return 1;
  }
  return 0;
}

int svf_is_scan_command(std::string_view word) {
  return word == "SIR" || word == "SDR";
}

void hex_zero_fill(std::int32_t bits, std::string& value) {
  const std::int64_t digits = (static_cast<std::int64_t>(bits) + 3) / 4;
  value.assign(digits > 0 ? static_cast<std::size_t>(digits) : 0, '0');
}

int hex_is_digits(std::string_view value) {
  // Arithmetic rather than a table, so the compiler can check many
  // characters at once: values run to megabytes.
  unsigned bad = 0;
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    const auto decimal = static_cast<unsigned char>(c - '0');
    const auto letter = static_cast<unsigned char>((c | 0x20u) - 'a');
    bad |= static_cast<unsigned>(decimal > 9 && letter > 5);
  }
  return bad ? 0 : 1;
}

int svf_run(SvfTokenizer& input, ClockStream& stream, DeviceHandle device, int verbose,
            TapState& state, int compare_mode, SvfMasks& masks, std::FILE* echo) {
  // The statements drive the TAP object, on a bit-bang link over this
  // stream; the caller's record of the state follows it.
  BitBangLink link(stream, device, compare_mode);
  Tap tap(link, compare_mode, state);
  const int played = svf_run_on(input, tap, verbose, masks, echo);
  state = tap.state();
  return played;
}

int svf_run_on(SvfTokenizer& input, Tap& tap, int verbose, SvfMasks& masks, std::FILE* echo) {
  ScanContext ctx(input, tap, verbose, masks, echo);
  while (input.svf_next_token(ctx.command_word, ctx.statement_end)) {
    const std::string_view command = ctx.command_word;
    int played = 0;
    if (svf_is_ignored_command(command)) {
      played = play_skipped(ctx);
    } else if (svf_is_scan_command(command)) {
      played = play_scan(ctx);
    } else if (command == "RUNTEST") {
      played = play_runtest(ctx);
    } else if (command == "STATE") {
      played = play_state(ctx);
    } else if (command == "ENDIR" || command == "ENDDR") {
      played = play_end_state(ctx);
    }
    if (!played) return 0;
  }
  // A file that could not be read to its end was not played to its end.
  return input.read_failed() ? 0 : 1;
}

}  // namespace tapwright
