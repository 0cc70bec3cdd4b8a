#include "prep/svf_lowering.hpp"

#include <algorithm>

#include "fullsvf/hex_value.hpp"
#include "fullsvf/svf_front_end.hpp"
#include "prep/runtest_lowering.hpp"
#include "prep/state_path.hpp"

namespace tapwright::prep {
namespace {

using namespace fullsvf;

// Output is handed on in pieces of about this size, a long value included.
constexpr std::size_t piece = std::size_t{1} << 16;

std::string printable(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return text;
}

// check: every problem but the waits in seconds, whose rate may not be
// known yet; waits: only those; write: the lowered statements.
enum class Pass { check, waits, write };

// The lowering back end.
class Lowering final : public SvfBackEnd {
 public:
  // `hz` turns seconds into clocks; null while the rate is not known.
  // `write` takes the output in pieces; empty in the passes that only check.
  Lowering(Pass pass, const DecimalNumber* hz, Diagnostics& diagnostics,
           std::function<int(std::string_view)> write = {})
      : pass_(pass), hz_(hz), diagnostics_(diagnostics), write_(std::move(write)) {}

  void scan(const ScanCommand& c) override;
  void runtest(const RuntestCommand& c) override {
    const bool timed = c.min_time && !c.min_time->is_zero();
    uses_seconds_ = uses_seconds_ || timed;
    if (pass_ != Pass::waits) {
      lower_runtest(c, hz_, out_, diagnostics_);
    } else if (timed) {
      wait_clocks(c, *hz_, diagnostics_);
    }
  }
  void state(const StateCommand& c) override;
  void end_state(const EndStateCommand& c) override {
    out_ += c.kind == ScanKind::ir ? "ENDIR " : "ENDDR ";
    out_ += tap_state_name(c.state);
    out_ += ";\n";
  }
  void trst(const TrstCommand& c) override {
    // No TRST wire: a reset through TMS is the nearest tapwright can do.
    if (c.mode == TrstMode::on) out_ += "STATE RESET;\n";
  }
  void frequency(const FrequencyCommand& c) override {
    if (c.hz) last_frequency_ = c.hz;
  }
  void unsupported(const Statement& s) override {
    if (pass_ == Pass::waits) return;
    if (s.command == "PIO" || s.command == "PIOMAP") {
      diagnostics_.error(s.line,
                         s.command + " cannot be lowered: tapwright drives no parallel I/O pins");
    } else {
      diagnostics_.error(s.line, quoted(s.command_token.text) +
                                     " is no SVF statement that tapwright-prep can lower");
    }
  }

  // Hands on what has gathered once it is `least` bytes or more; 0 once a
  // write failed.
  int spill(std::size_t least = piece) {
    if (out_.size() < least) return ok_;
    if (write_ && ok_) ok_ = write_(out_);
    out_.clear();
    return ok_;
  }
  void put(std::string_view text) { out_ += text; }
  const std::optional<DecimalNumber>& last_frequency() const { return last_frequency_; }
  bool uses_seconds() const { return uses_seconds_; }

 private:
  // A value as exactly the digits its length needs, in upper case.
  void put_digits(std::string_view digits, std::int64_t length);
  void put_ones(std::int64_t length);

  Pass pass_;
  const DecimalNumber* hz_;
  Diagnostics& diagnostics_;
  std::function<int(std::string_view)> write_;
  std::string out_;
  int ok_ = 1;
  FoldedBits folded_;
  std::optional<DecimalNumber> last_frequency_;
  bool uses_seconds_ = false;
};

void Lowering::put_digits(std::string_view digits, std::int64_t length) {
  const auto need = static_cast<std::size_t>(hex_digits_for(length));
  for (std::size_t zeros = need > digits.size() ? need - digits.size() : 0; zeros > 0;) {
    const std::size_t n = std::min(zeros, piece);
    out_.append(n, '0');
    zeros -= n;
    spill();
  }
  while (!digits.empty()) {
    const std::size_t n = std::min(digits.size(), piece);
    hex_append_upper(out_, digits.substr(0, n), static_cast<std::int64_t>(n) * 4);
    digits.remove_prefix(n);
    spill();
  }
}

void Lowering::put_ones(std::int64_t length) {
  if (length == 0) return;
  std::string top;
  hex_ones(length - 4 * (hex_digits_for(length) - 1), top);
  out_ += top;
  for (auto left = static_cast<std::size_t>(hex_digits_for(length) - 1); left > 0;) {
    const std::size_t n = std::min(left, piece);
    out_.append(n, 'F');
    left -= n;
    spill();
  }
}

void Lowering::scan(const ScanCommand& c) {
  if (pass_ != Pass::write) return;
  const bool wrapped = c.header.length != 0 || c.trailer.length != 0;
  const ScanBits bits = wrapped ? fold_scan(c.header, c.scan, c.trailer, folded_) : c.scan;
  out_ += c.name;
  out_ += ' ';
  out_ += std::to_string(bits.length);
  out_ += " TDI (";
  put_digits(bits.tdi, bits.length);
  out_ += ')';
  if (c.compares) {
    out_ += " TDO (";
    put_digits(bits.tdo, bits.length);
    out_ += ") MASK (";
    if (bits.mask_ones) {
      put_ones(bits.length);
    } else {
      put_digits(bits.mask, bits.length);
    }
    out_ += ')';
  }
  out_ += ";\n";
}

void Lowering::state(const StateCommand& c) {
  if (pass_ == Pass::waits) return;
  std::vector<TapState> stable;
  std::string problem;
  if (!lower_state_path(c.from, c.path, stable, problem)) {
    diagnostics_.error(c.line, problem);
    return;
  }
  out_ += "STATE";
  for (TapState state : stable) {
    (out_ += ' ') += tap_state_name(state);
    spill();
  }
  out_ += ";\n";
}

// Runs the front end over the whole source, handing the output on between
// statements and at the end; the statements read.
std::uint64_t lower_all(SvfSource& source, Lowering& lowering, Diagnostics& diagnostics) {
  SvfFrontEnd front_end(source, diagnostics);
  std::uint64_t statements = 0;
  while (lowering.spill() && front_end.next(lowering)) ++statements;
  lowering.spill(0);
  return statements;
}

}  // namespace

LoweringPlan svf_check_lowering(SvfSource& source, const LoweringOptions& options,
                                Diagnostics& diagnostics) {
  LoweringPlan plan;
  plan.hz = *parse_decimal(default_tck_hz);
  const DecimalNumber* given = options.tck_hz ? &*options.tck_hz : nullptr;
  Lowering lowering(Pass::check, given, diagnostics);
  plan.statements = lower_all(source, lowering, diagnostics);
  plan.errors = diagnostics.error_count();
  if (given) {
    plan.hz = *given;
    plan.hz_source = "from --tck-hz";
  } else if (lowering.last_frequency()) {
    plan.hz = *lowering.last_frequency();
    plan.hz_source = "from the last FREQUENCY of the file";
  } else {
    plan.hz_source = "the default; the file has no FREQUENCY";
    plan.rate_assumed = lowering.uses_seconds();
  }
  plan.waits_to_check = !given && lowering.uses_seconds();
  return plan;
}

void svf_check_waits(SvfSource& source, LoweringPlan& plan, Diagnostics& diagnostics) {
  // The first pass reported every other problem and note already.
  Diagnostics quiet;
  const int before = diagnostics.error_count();
  Lowering lowering(Pass::waits, &plan.hz, diagnostics);
  lower_all(source, lowering, quiet);
  plan.errors += diagnostics.error_count() - before;
  plan.waits_to_check = false;
}

int svf_write_lowered(SvfSource& source, const LoweringOptions& options, const LoweringPlan& plan,
                      const std::function<int(std::string_view)>& write) {
  Diagnostics quiet;
  Lowering lowering(Pass::write, &plan.hz, quiet, write);
  lowering.put("// tapwright-prep: lowered from " + printable(options.input_name) +
               "; SEC waits at " + plan.hz.to_string() + " Hz (" + plan.hz_source + ")\n");
  lower_all(source, lowering, quiet);
  return lowering.spill(0) && quiet.error_count() == 0 && !source.ended_early() ? 1 : 0;
}

LoweringResult svf_lower(std::string_view text, const LoweringOptions& options) {
  LoweringResult result;
  Diagnostics diagnostics([&](const Diagnostic& d) { result.diagnostics.push_back(d); });
  SvfSource first(text);
  LoweringPlan plan = svf_check_lowering(first, options, diagnostics);
  if (plan.waits_to_check) {
    SvfSource again(text);
    svf_check_waits(again, plan, diagnostics);
  }
  if (plan.errors != 0) return result;
  SvfSource last(text);
  result.lowered = svf_write_lowered(last, options, plan, [&](std::string_view piece) {
    result.output += piece;
    return 1;
  });
  if (!result.lowered) result.output.clear();
  return result;
}

}  // namespace tapwright::prep
