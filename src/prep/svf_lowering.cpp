#include "prep/svf_lowering.hpp"

#include "fullsvf/hex_value.hpp"
#include "fullsvf/svf_front_end.hpp"
#include "prep/runtest_lowering.hpp"
#include "prep/state_path.hpp"

namespace tapwright::prep {
namespace {

using namespace fullsvf;

std::string printable(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return text;
}

// The lowering back end: appends tapwright's statements to `out`.
class Lowering final : public SvfBackEnd {
 public:
  // Not `writing`: the first pass, which only looks for problems and need
  // not spell out the scans.
  Lowering(const DecimalNumber& hz, Diagnostics& diagnostics, std::string& out, bool writing)
      : hz_(hz), diagnostics_(diagnostics), out_(out), writing_(writing) {}

  void scan(const ScanCommand& c) override;
  void runtest(const RuntestCommand& c) override {
    if (c.min_time && !c.min_time->is_zero()) uses_seconds_ = true;
    lower_runtest(c, hz_, out_, diagnostics_);
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
    if (s.command == "PIO" || s.command == "PIOMAP") {
      diagnostics_.error(s.line,
                         s.command + " cannot be lowered: tapwright drives no parallel I/O pins");
    } else {
      diagnostics_.error(s.line, quoted(s.command_token.text) +
                                     " is no SVF statement that tapwright-prep can lower");
    }
  }

  const std::optional<DecimalNumber>& last_frequency() const { return last_frequency_; }
  bool uses_seconds() const { return uses_seconds_; }

 private:
  DecimalNumber hz_;
  Diagnostics& diagnostics_;
  std::string& out_;
  bool writing_;
  FoldedBits folded_;
  std::optional<DecimalNumber> last_frequency_;
  bool uses_seconds_ = false;
};

void Lowering::scan(const ScanCommand& c) {
  if (!writing_) return;
  const bool wrapped = c.header.length != 0 || c.trailer.length != 0;
  const ScanBits bits = wrapped ? fold_scan(c.header, c.scan, c.trailer, folded_) : c.scan;
  out_.reserve(out_.size() + 3 * static_cast<std::size_t>(hex_digits_for(bits.length)) + 64);
  out_ += c.name;
  out_ += ' ';
  out_ += std::to_string(bits.length);
  out_ += " TDI (";
  hex_append_upper(out_, bits.tdi, bits.length);
  out_ += ')';
  if (c.compares) {
    out_ += " TDO (";
    hex_append_upper(out_, bits.tdo, bits.length);
    out_ += ") MASK (";
    if (bits.mask_ones) {
      std::string ones;
      hex_ones(bits.length, ones);
      out_ += ones;
    } else {
      hex_append_upper(out_, bits.mask, bits.length);
    }
    out_ += ')';
  }
  out_ += ";\n";
}

void Lowering::state(const StateCommand& c) {
  std::vector<TapState> stable;
  std::string problem;
  if (!lower_state_path(c.from, c.path, stable, problem)) {
    diagnostics_.error(c.line, problem);
    return;
  }
  out_ += "STATE";
  for (TapState state : stable) (out_ += ' ') += tap_state_name(state);
  out_ += ";\n";
}

// Runs the front end over the whole source; `flush` is called between
// statements once enough output has gathered, and at the end.
template <typename Flush>
void lower_all(SvfSource& source, Lowering& lowering, Diagnostics& diagnostics, std::string& out,
               Flush flush) {
  SvfFrontEnd front_end(source, diagnostics);
  constexpr std::size_t piece = std::size_t{1} << 16;
  while (front_end.next(lowering)) {
    if (out.size() >= piece && !flush()) return;
  }
  flush();
}

}  // namespace

LoweringPlan svf_check_lowering(SvfSource& source, const LoweringOptions& options,
                                Diagnostics& diagnostics) {
  LoweringPlan plan;
  plan.hz = *parse_decimal(default_tck_hz);
  std::string out;
  Lowering lowering(options.tck_hz.value_or(plan.hz), diagnostics, out, false);
  lower_all(source, lowering, diagnostics, out, [&] {
    out.clear();
    return 1;
  });
  plan.errors = diagnostics.error_count();
  if (options.tck_hz) {
    plan.hz = *options.tck_hz;
    plan.hz_source = "from --tck-hz";
  } else if (lowering.last_frequency()) {
    plan.hz = *lowering.last_frequency();
    plan.hz_source = "from the last FREQUENCY of the file";
  } else {
    plan.hz_source = "the default; the file has no FREQUENCY";
    plan.rate_assumed = lowering.uses_seconds();
  }
  return plan;
}

int svf_write_lowered(SvfSource& source, const LoweringOptions& options, const LoweringPlan& plan,
                      const std::function<int(std::string_view)>& write) {
  std::string out = "// tapwright-prep: lowered from " + printable(options.input_name) +
                    "; SEC waits at " + plan.hz.to_string() + " Hz (" + plan.hz_source + ")\n";
  // The first pass reported every problem and note already.
  Diagnostics quiet;
  Lowering lowering(plan.hz, quiet, out, true);
  int ok = 1;
  lower_all(source, lowering, quiet, out, [&] {
    ok = write(out);
    out.clear();
    return ok;
  });
  return ok && quiet.error_count() == 0 && !source.failed() ? 1 : 0;
}

LoweringResult svf_lower(std::string_view text, const LoweringOptions& options) {
  LoweringResult result;
  Diagnostics diagnostics([&](const Diagnostic& d) { result.diagnostics.push_back(d); });
  SvfSource first(text);
  const LoweringPlan plan = svf_check_lowering(first, options, diagnostics);
  if (plan.errors != 0) return result;
  SvfSource second(text);
  result.lowered = svf_write_lowered(second, options, plan, [&](std::string_view piece) {
    result.output += piece;
    return 1;
  });
  if (!result.lowered) result.output.clear();
  return result;
}

}  // namespace tapwright::prep
