#include "prep/svf_lowering.hpp"

#include <cstdint>

#include "jtag/tap_state.hpp"
#include "prep/runtest_lowering.hpp"
#include "prep/scan_memory.hpp"
#include "prep/state_path.hpp"
#include "prep/svf_statement.hpp"

namespace tapwright::prep {
namespace {

constexpr std::int64_t max_scan_length = 2147483647;

// The FREQUENCY of the file that SEC waits use: the last one that names a
// rate. The file is read once more for it, since the output's first line
// names the rate before any statement is lowered.
std::optional<DecimalNumber> last_frequency(std::string_view text) {
  Diagnostics ignored;
  StatementReader reader(text, ignored);
  std::optional<DecimalNumber> hz;
  for (Statement s; reader.next(s);) {
    if (s.command != "FREQUENCY" || s.args.size() != 2 || s.args[1].text != "HZ") continue;
    if (auto n = parse_decimal(s.args[0].text); n && !n->is_zero()) hz = n;
  }
  return hz;
}

std::string printable(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return text;
}

std::string shown(char c) {
  if (c >= 0x21 && c <= 0x7e) return std::string("'") + c + "'";
  static const char hex[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  return std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
}

class Lowerer {
 public:
  Lowerer(const DecimalNumber& hz, Diagnostics& diagnostics) : hz_(hz), diagnostics_(diagnostics) {}

  void lower(const Statement& s, std::string& out);

 private:
  int parse_clauses(const Statement& s, ScanClauses& clauses);
  void lower_header(const Statement& s, ScanMemory& memory, ResolvedScan& header);
  void lower_scan(const Statement& s, ScanMemory& memory, const ResolvedScan& header,
                  const ResolvedScan& trailer, TapState end_state, std::string& out);
  void lower_end_state(const Statement& s, TapState& end_state, std::string& out);
  void lower_state(const Statement& s, std::string& out);
  void lower_trst(const Statement& s, std::string& out);
  void check_frequency(const Statement& s);
  const std::string* only_word(const Statement& s);

  DecimalNumber hz_;
  Diagnostics& diagnostics_;
  TapState current_ = TapState::run_test_idle;  // tapwright starts here after its reset
  TapState endir_ = TapState::run_test_idle;
  TapState enddr_ = TapState::run_test_idle;
  ScanMemory sir_{"SIR"}, sdr_{"SDR"}, hir_memory_{"HIR"}, tir_memory_{"TIR"}, hdr_memory_{"HDR"},
      tdr_memory_{"TDR"};
  ResolvedScan hir_, tir_, hdr_, tdr_;
  RuntestLowering runtest_;
};

void Lowerer::lower(const Statement& s, std::string& out) {
  const std::string& c = s.command;
  if (c == "SIR") {
    lower_scan(s, sir_, hir_, tir_, endir_, out);
  } else if (c == "SDR") {
    lower_scan(s, sdr_, hdr_, tdr_, enddr_, out);
  } else if (c == "HIR") {
    lower_header(s, hir_memory_, hir_);
  } else if (c == "TIR") {
    lower_header(s, tir_memory_, tir_);
  } else if (c == "HDR") {
    lower_header(s, hdr_memory_, hdr_);
  } else if (c == "TDR") {
    lower_header(s, tdr_memory_, tdr_);
  } else if (c == "RUNTEST") {
    runtest_.lower(s, hz_, out, current_, diagnostics_);
  } else if (c == "STATE") {
    lower_state(s, out);
  } else if (c == "ENDIR") {
    lower_end_state(s, endir_, out);
  } else if (c == "ENDDR") {
    lower_end_state(s, enddr_, out);
  } else if (c == "TRST") {
    lower_trst(s, out);
  } else if (c == "FREQUENCY") {
    check_frequency(s);
  } else if (c == "PIO" || c == "PIOMAP") {
    diagnostics_.error(s.line, c + " cannot be lowered: tapwright drives no parallel I/O pins");
  } else {
    diagnostics_.error(s.line, "'" + c + "' is no SVF statement that tapwright-prep can lower");
  }
}

int Lowerer::parse_clauses(const Statement& s, ScanClauses& clauses) {
  const auto& args = s.args;
  const auto length =
      !args.empty() && args[0].kind == TokenKind::word ? parse_decimal(args[0].text) : std::nullopt;
  const auto whole = length ? length->whole() : std::nullopt;
  if (!whole || *whole > static_cast<std::uint64_t>(max_scan_length)) {
    diagnostics_.error(s.line, s.command + " needs a length in bits from 0 to 2147483647 first" +
                                   (args.empty() || args[0].kind != TokenKind::word
                                        ? std::string()
                                        : ", not '" + args[0].text + "'"));
    return 0;
  }
  clauses.length = static_cast<std::int64_t>(*whole);
  int ok = 1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const Token& t = args[i];
    if (t.kind != TokenKind::word) {
      diagnostics_.error(
          t.line,
          s.command + " has a value in parentheses with no TDI, TDO, MASK or SMASK before it");
      ok = 0;
      continue;
    }
    std::optional<std::string>* slot = t.text == "TDI"     ? &clauses.tdi
                                       : t.text == "TDO"   ? &clauses.tdo
                                       : t.text == "MASK"  ? &clauses.mask
                                       : t.text == "SMASK" ? &clauses.smask
                                                           : nullptr;
    if (!slot) {
      diagnostics_.error(t.line,
                         s.command + " has '" + t.text + "' where TDI, TDO, MASK or SMASK belongs");
      ok = 0;
      continue;
    }
    if (i + 1 >= args.size() || args[i + 1].kind != TokenKind::value) {
      diagnostics_.error(t.line,
                         s.command + " " + t.text + " has no value in parentheses after it");
      ok = 0;
      continue;
    }
    const Token& value = args[++i];
    if (value.bad_char != 0) {
      diagnostics_.error(value.bad_line, shown(value.bad_char) +
                                             " in a value: only hex digits 0-9, A-F are allowed");
      ok = 0;
    }
    *slot = value.text;
  }
  return ok;
}

void Lowerer::lower_header(const Statement& s, ScanMemory& memory, ResolvedScan& header) {
  ScanClauses clauses;
  if (!parse_clauses(s, clauses)) return;
  memory.resolve(clauses, s.line, diagnostics_, header);
}

void Lowerer::lower_scan(const Statement& s, ScanMemory& memory, const ResolvedScan& header,
                         const ResolvedScan& trailer, TapState end_state, std::string& out) {
  current_ = end_state;
  ScanClauses clauses;
  if (!parse_clauses(s, clauses)) return;
  const std::int64_t total = header.tdi.length() + clauses.length + trailer.tdi.length();
  if (total > max_scan_length) {
    diagnostics_.error(s.line, s.command + " with its header and trailer is " +
                                   std::to_string(total) + " bits, over tapwright's 2147483647");
    return;
  }
  ResolvedScan scan;
  if (!memory.resolve(clauses, s.line, diagnostics_, scan)) return;
  const bool wrapped = header.tdi.length() != 0 || trailer.tdi.length() != 0;
  const ResolvedScan folded = wrapped ? fold_scan(header, scan, trailer) : ResolvedScan{};
  const ResolvedScan& played = wrapped ? folded : scan;
  const bool compares = played.compares && played.mask.any();

  std::string tdi = played.tdi.to_hex();
  std::string tdo = compares ? played.tdo.to_hex() : std::string();
  std::string mask = compares ? played.mask.to_hex() : std::string();
  out.reserve(out.size() + tdi.size() + tdo.size() + mask.size() + 64);
  out += s.command;
  out += ' ';
  out += std::to_string(total);
  out += " TDI (";
  out += tdi;
  out += ')';
  if (compares) {
    out += " TDO (";
    out += tdo;
    out += ") MASK (";
    out += mask;
    out += ')';
  }
  out += ";\n";
}

const std::string* Lowerer::only_word(const Statement& s) {
  if (s.args.size() == 1 && s.args[0].kind == TokenKind::word) return &s.args[0].text;
  return nullptr;
}

void Lowerer::lower_end_state(const Statement& s, TapState& end_state, std::string& out) {
  const std::string* w = only_word(s);
  const auto state = w ? svf_state_from_word(*w) : std::nullopt;
  if (!state || !is_stable(*state)) {
    diagnostics_.error(s.line,
                       s.command + " needs one stable state: IDLE, RESET, DRPAUSE or IRPAUSE");
    return;
  }
  end_state = *state;
  out += s.command + " " + std::string(tap_state_name(*state)) + ";\n";
}

void Lowerer::lower_state(const Statement& s, std::string& out) {
  std::vector<TapState> path;
  for (const Token& t : s.args) {
    const auto state = t.kind == TokenKind::word ? svf_state_from_word(t.text) : std::nullopt;
    if (!state) {
      diagnostics_.error(
          s.line, "STATE has " +
                      (t.kind == TokenKind::word ? "'" + t.text + "'" : std::string("a value")) +
                      ", which is no TAP state");
      return;
    }
    path.push_back(*state);
  }
  if (path.empty()) {
    diagnostics_.error(s.line, "STATE names no state");
    return;
  }
  std::vector<TapState> stable;
  std::string problem;
  const TapState from = current_;
  current_ = path.back();
  if (!lower_state_path(from, path, stable, problem)) {
    diagnostics_.error(s.line, problem);
    return;
  }
  out += "STATE";
  for (TapState state : stable) (out += ' ') += tap_state_name(state);
  out += ";\n";
}

void Lowerer::lower_trst(const Statement& s, std::string& out) {
  const std::string* w = only_word(s);
  if (w && *w == "ON") {
    // No TRST wire: a reset through TMS is the nearest tapwright can do.
    out += "STATE RESET;\n";
    current_ = TapState::test_logic_reset;
  } else if (!w || (*w != "OFF" && *w != "Z" && *w != "ABSENT")) {
    diagnostics_.error(s.line, "TRST needs one of ON, OFF, Z, ABSENT");
  }
}

void Lowerer::check_frequency(const Statement& s) {
  if (s.args.empty()) return;
  const auto hz = s.args.size() == 2 && s.args[0].kind == TokenKind::word && s.args[1].text == "HZ"
                      ? parse_decimal(s.args[0].text)
                      : std::nullopt;
  if (!hz || hz->is_zero())
    diagnostics_.error(s.line, "FREQUENCY needs a rate above 0 as 'cycles HZ'");
}

}  // namespace

LoweringResult svf_lower(std::string_view text, const LoweringOptions& options) {
  std::optional<DecimalNumber> hz = options.tck_hz;
  std::string hz_source = "from --tck-hz";
  if (!hz) {
    hz = last_frequency(text);
    hz_source = "from the last FREQUENCY of the file";
  }
  if (!hz) {
    hz = parse_decimal(default_tck_hz);
    hz_source = "the default; the file has no FREQUENCY";
  }

  Diagnostics diagnostics;
  std::string body;
  body.reserve(text.size() + text.size() / 8);
  Lowerer lowerer(*hz, diagnostics);
  StatementReader reader(text, diagnostics);
  for (Statement s; reader.next(s);) lowerer.lower(s, body);

  LoweringResult result;
  result.lowered = diagnostics.error_count() == 0 ? 1 : 0;
  if (result.lowered) {
    result.output = "// tapwright-prep: lowered from " + printable(options.input_name) +
                    "; SEC waits at " + hz->to_string() + " Hz (" + hz_source + ")\n";
    result.output += body;
  }
  result.diagnostics = diagnostics.take();
  return result;
}

}  // namespace tapwright::prep
