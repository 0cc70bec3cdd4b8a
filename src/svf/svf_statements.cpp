// RUNTEST, STATE, ENDIR/ENDDR and the skipped statements.
#include "svf/svf_statements.hpp"
#include "svf/svf_decimal.hpp"

namespace tapwright {

namespace {
bool is_header_or_trailer(std::string_view command) {
  return command == "HIR" || command == "TIR" || command == "HDR" || command == "TDR";
}
}  // namespace

int play_skipped(ScanContext& ctx) {
  if (ctx.statement_end) return 1;  // e.g. a FREQUENCY with no argument
  // A header or trailer of non-zero length would have to be shifted with
  // every scan; skipping it would play vectors of the wrong length into the
  // chain, so such a statement cannot be played.
  const bool check_length = is_header_or_trailer(ctx.command_word);
  bool first = true;
  while (!ctx.statement_end) {
    if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 1;
    std::int32_t length = 0;
    if (first && check_length && (!svf_decimal(ctx.clause_word, length) || length != 0)) return 0;
    first = false;
  }
  return 1;
}

int play_runtest(ScanContext& ctx) {
  if (!ctx.tap.walk(TapState::run_test_idle)) return 0;
  if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 0;
  std::int32_t count = 0;
  if (!svf_decimal(ctx.clause_word, count)) return 0;
  if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 0;
  if (ctx.clause_word != "TCK") return 0;
  if (ctx.verbose) std::fprintf(ctx.echo, "RUNTEST %d TCK\n", static_cast<int>(count));
  // Long waits are where a user watches the screen: show what came before.
  std::fflush(ctx.echo);
  return count > 0 ? ctx.tap.hold(static_cast<std::uint64_t>(count)) : 1;
}

int play_state(ScanContext& ctx) {
  if (ctx.verbose) std::fputs("STATE ", ctx.echo);
  do {
    if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 0;
    TapState target{};
    if (!tap_state_from_name(ctx.clause_word, target)) return 0;
    if (!ctx.tap.walk(target)) return 0;
    if (ctx.verbose) {
      echo_text(ctx.echo, ctx.clause_word);
      std::fputc(' ', ctx.echo);
    }
  } while (!ctx.statement_end);
  if (ctx.verbose) std::fputc('\n', ctx.echo);
  return 1;
}

int play_end_state(ScanContext& ctx) {
  const bool ir = ctx.command_word == "ENDIR";
  if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 0;
  if (ctx.verbose) {
    std::fputs(ir ? "ENDIR " : "ENDDR ", ctx.echo);
    echo_text(ctx.echo, ctx.clause_word);
    std::fputc('\n', ctx.echo);
  }
  TapState end{};
  if (!tap_state_from_name(ctx.clause_word, end)) return 0;
  (ir ? ctx.endir_state : ctx.enddr_state) = end;
  return 1;
}

}  // namespace tapwright
