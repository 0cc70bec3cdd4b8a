// SIR and SDR: walk to the shift state, read the clauses, shift, walk on.
#include "svf/svf_decimal.hpp"
#include "svf/svf_statements.hpp"

namespace tapwright {

namespace {

struct ScanKind {
  TapState shift;
  TapState& end;
  std::string& mask;
  std::string& smask;
};

ScanKind kind_of(ScanContext& ctx) {
  if (ctx.command_word == "SIR") {
    return {TapState::shift_ir, ctx.endir_state, ctx.masks.ir_mask, ctx.masks.ir_smask};
  }
  return {TapState::shift_dr, ctx.enddr_state, ctx.masks.dr_mask, ctx.masks.dr_smask};
}

// A keyword written against its value ("TDO(00)"): passing it over like an
// unknown word would silently drop the clause.
bool is_glued_clause(std::string_view word) {
  for (std::string_view keyword : {"TDI(", "TDO(", "MASK(", "SMASK("}) {
    if (word.starts_with(keyword)) return true;
  }
  return false;
}

// Reads the clauses up to the statement end. 0 when the input ends first, a
// value holds anything but hex digits, or a clause is glued to its value.
int read_clauses(ScanContext& ctx, ScanKind& kind) {
  do {
    if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 0;
    std::string* value = nullptr;
    if (ctx.clause_word == "TDI") {
      value = &ctx.tdi_value;
    } else if (ctx.clause_word == "TDO") {
      value = &ctx.tdo_value;
    } else if (ctx.clause_word == "SMASK") {
      value = &kind.smask;
    } else if (ctx.clause_word == "MASK") {
      value = &kind.mask;
    } else if (is_glued_clause(ctx.clause_word)) {
      return 0;
    }
    if (value) {
      if (!ctx.input.svf_read_value(*value, ctx.statement_end)) return 0;
      if (!hex_is_digits(*value)) return 0;
    }
  } while (!ctx.statement_end);
  return 1;
}

void echo_scan(ScanContext& ctx, const ScanKind& kind, std::string_view tdo,
               std::string_view mask) {
  std::FILE* out = ctx.echo;
  echo_text(out, ctx.command_word);
  std::fprintf(out, " %d TDI ", static_cast<int>(ctx.scan_length));
  echo_text(out, ctx.tdi_value);
  std::fputs(" SMASK ", out);
  echo_text(out, kind.smask);
  std::fputs(" TDO ", out);
  echo_text(out, tdo);
  std::fputs(" MASK ", out);
  echo_text(out, mask);
  std::fputc('\n', out);
}

}  // namespace

int play_scan(ScanContext& ctx) {
  ScanKind kind = kind_of(ctx);
  if (!ctx.tap.walk(kind.shift)) return 0;
  if (!ctx.input.svf_next_token(ctx.clause_word, ctx.statement_end)) return 0;
  if (!svf_decimal(ctx.clause_word, ctx.scan_length)) return 0;
  ctx.tdi_value.clear();
  ctx.tdo_value.clear();
  if (!read_clauses(ctx, kind)) return 0;
  // Without a TDI of its own a scan would shift whatever stands in the
  // buffer; tapwright carries no TDI over from an earlier scan.
  if (ctx.scan_length > 0 && ctx.tdi_value.empty()) return 0;

  std::string_view tdo = ctx.tdo_value;
  std::string_view mask = kind.mask;
  if (ctx.tdo_value.empty()) {
    // Nothing of this scan is compared. Its TDO and mask are zeros; they are
    // spelled out only when echoed, where one buffer serves as both. Else
    // the shifter gets a single "0" digit, whose missing high digits read as
    // 0 too, so that a long scan with a short TDI needs no memory of its own.
    if (ctx.verbose) {
      hex_zero_fill(ctx.scan_length, ctx.masks.zero_mask);
      tdo = ctx.masks.zero_mask;
      mask = ctx.masks.zero_mask;
    } else {
      tdo = "0";
      mask = "0";
    }
  }
  if (ctx.verbose) echo_scan(ctx, kind, tdo, mask);

  // A scan of no bit leaves the controller in the shift state; SMASK plays
  // no part.
  if (!ctx.tap.shift({ctx.scan_length, ctx.tdi_value, tdo, mask, true, true})) return 0;
  return ctx.tap.walk(kind.end);
}

}  // namespace tapwright
