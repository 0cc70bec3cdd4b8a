#include "fullsvf/svf_front_end.hpp"

#include <utility>

#include "fullsvf/bit_vector.hpp"
#include "fullsvf/hex_value.hpp"
#include "fullsvf/svf_states.hpp"

namespace tapwright::fullsvf {
namespace {

constexpr std::int64_t max_scan_length = 2147483647;

std::string shown(char c) {
  if (c >= 0x21 && c <= 0x7e) return std::string("'") + c + "'";
  static const char hex[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  return std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
}

// The word at `k` of the arguments, in upper case, or null.
const Token* word_at(const std::vector<Token>& args, std::size_t k) {
  return k < args.size() && args[k].kind == TokenKind::word ? &args[k] : nullptr;
}

// The one word a statement takes (ENDIR IDLE;), or null.
const Token* only_word(const Statement& s) {
  return s.args.size() == 1 ? word_at(s.args, 0) : nullptr;
}

// A number with a minus sign, where SVF has only counts and times.
bool negative(const Token* word) {
  return word && word->key.size() > 1 && word->key[0] == '-' &&
         parse_decimal(std::string_view(word->key).substr(1));
}

// Walks the words of a RUNTEST in the order SVF allows them. 0 and
// `problem` otherwise.
int parse_runtest(const std::vector<Token>& args, RuntestCommand& form,
                  std::optional<TapState>& run_state, std::optional<TapState>& end_state,
                  std::string& problem) {
  std::size_t i = 0;
  auto stable_state = [&](std::size_t k, std::optional<TapState>& state) {
    const Token* w = word_at(args, k);
    const auto s = w ? svf_state_from_word(w->key) : std::nullopt;
    if (!s || !is_stable(*s)) {
      problem = "RUNTEST needs a stable state (IDLE, RESET, DRPAUSE, IRPAUSE) where it has " +
                (w ? quoted(w->text) : std::string("no word"));
      return 0;
    }
    state = s;
    return 1;
  };
  if (const Token* w = word_at(args, 0); w && svf_state_from_word(w->key)) {
    if (!stable_state(0, run_state)) return 0;
    i = 1;
  }
  // A number and its unit: TCK or SCK for a count, SEC for a time.
  const Token* unit = nullptr;
  auto number_with_unit = [&](std::optional<DecimalNumber>& number) {
    const Token* n = word_at(args, i);
    const Token* u = word_at(args, i + 1);
    if (!n || !u) return false;
    const auto value = parse_decimal(n->key);
    if (!value) return false;
    number = value;
    unit = u;
    i += 2;
    return true;
  };
  std::optional<DecimalNumber> number;
  if (number_with_unit(number)) {
    if (unit->key == "TCK" || unit->key == "SCK") {
      form.count = number;
      form.count_in_sck = unit->key == "SCK";
      if (number_with_unit(number)) {
        if (unit->key != "SEC") {
          problem = "RUNTEST has " + quoted(unit->text) +
                    " where the unit SEC of its minimum time belongs";
          return 0;
        }
        form.min_time = number;
      }
    } else if (unit->key == "SEC") {
      form.min_time = number;
    } else {
      problem = "RUNTEST has the unit " + quoted(unit->text) + " where TCK, SCK or SEC belongs";
      return 0;
    }
  }
  if (!form.count && !form.min_time) {
    problem =
        negative(word_at(args, i))
            ? "RUNTEST has " + quoted(args[i].text) + ": a clock count or time is never negative"
            : "RUNTEST gives neither a clock count (n TCK) nor a time (t SEC)";
    return 0;
  }
  if (const Token* w = word_at(args, i); w && w->key == "MAXIMUM") {
    ++i;
    if (!form.min_time || !number_with_unit(number) || unit->key != "SEC") {
      problem = "RUNTEST MAXIMUM needs a minimum time before it and 'max SEC' after it";
      return 0;
    }
    form.max_time = number;
  }
  if (const Token* w = word_at(args, i); w && w->key == "ENDSTATE") {
    if (!stable_state(i + 1, end_state)) return 0;
    i += 2;
  }
  if (i < args.size()) {
    problem = args[i].kind == TokenKind::word
                  ? "RUNTEST has " + quoted(args[i].text) + " where nothing more belongs"
                  : std::string("RUNTEST has a value in parentheses, which it takes none of");
    return 0;
  }
  return 1;
}

}  // namespace

SvfFrontEnd::SvfFrontEnd(SvfSource& source, Diagnostics& diagnostics)
    : source_(source), diagnostics_(diagnostics), reader_(source, diagnostics) {}

namespace {

// Bits shifted through devices that are not compared: all ones, which is
// BYPASS for an instruction register and means nothing to BYPASS itself.
StoredBits padding_bits(std::int64_t length) {
  const std::string tdi = BitVector::ones(length).to_hex();
  StoredBits bits;
  bits.store({length, tdi, "0", "0", false, false});
  return bits;
}

}  // namespace

void SvfFrontEnd::pad_for_chain(const ChainPadding& padding) {
  padded_ = true;
  hir_ = padding_bits(padding.ir_header);
  tir_ = padding_bits(padding.ir_trailer);
  hdr_ = padding_bits(padding.dr_header);
  tdr_ = padding_bits(padding.dr_trailer);
  reset_hdr_ = padding_bits(padding.reset_dr_header);
  reset_tdr_ = padding_bits(padding.reset_dr_trailer);
}

void SvfFrontEnd::reached(TapState state) {
  if (state == TapState::test_logic_reset) ir_since_reset_ = false;
}

int SvfFrontEnd::next(SvfBackEnd& back_end) {
  if (!reader_.next(statement_)) return 0;
  const std::string& c = statement_.command;
  if (statement_.dropped_args != 0) {
    diagnostics_.error(statement_.line,
                       shown_word(statement_.command_token) + " has " +
                           std::to_string(max_kept_args + statement_.dropped_args) +
                           " words and values, more than any SVF statement takes");
    current_known_ = current_known_ && c != "STATE" && c != "RUNTEST" && c != "TRST";
  } else if (c == "SIR") {
    scan(back_end, ScanKind::ir);
  } else if (c == "SDR") {
    scan(back_end, ScanKind::dr);
  } else if (c == "HIR") {
    header(hir_memory_, hir_);
  } else if (c == "TIR") {
    header(tir_memory_, tir_);
  } else if (c == "HDR") {
    header(hdr_memory_, hdr_);
  } else if (c == "TDR") {
    header(tdr_memory_, tdr_);
  } else if (c == "RUNTEST") {
    runtest(back_end);
  } else if (c == "STATE") {
    state(back_end);
  } else if (c == "ENDIR") {
    end_state(back_end, ScanKind::ir);
  } else if (c == "ENDDR") {
    end_state(back_end, ScanKind::dr);
  } else if (c == "TRST") {
    trst(back_end);
  } else if (c == "FREQUENCY") {
    frequency(back_end);
  } else {
    back_end.unsupported(statement_);
  }
  return 1;
}

int SvfFrontEnd::parse_clauses(ScanClauses& clauses) {
  Statement& s = statement_;
  auto& args = s.args;
  const Token* first = word_at(args, 0);
  const auto length = first ? parse_decimal(first->key) : std::nullopt;
  const auto whole = length ? length->whole() : std::nullopt;
  if (!whole || *whole > static_cast<std::uint64_t>(max_scan_length)) {
    diagnostics_.error(s.line, s.command + " needs a length in bits from 0 to 2147483647 first" +
                                   (first ? ", not " + quoted(first->text) : std::string()));
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
    std::string** slot = t.key == "TDI"     ? &clauses.tdi
                         : t.key == "TDO"   ? &clauses.tdo
                         : t.key == "MASK"  ? &clauses.mask
                         : t.key == "SMASK" ? &clauses.smask
                                            : nullptr;
    if (!slot) {
      diagnostics_.error(
          t.line, s.command + " has " + quoted(t.text) + " where TDI, TDO, MASK or SMASK belongs");
      ok = 0;
      continue;
    }
    if (i + 1 >= args.size() || args[i + 1].kind != TokenKind::value) {
      diagnostics_.error(t.line, s.command + " " + t.key + " has no value in parentheses after it");
      ok = 0;
      continue;
    }
    Token& value = args[++i];
    if (value.bad_char != 0) {
      diagnostics_.error(value.bad_line, shown(value.bad_char) +
                                             " in a value: only hex digits 0-9, A-F are allowed");
      ok = 0;
    }
    *slot = &value.text;
  }
  return ok;
}

void SvfFrontEnd::header(ScanMemory& memory, StoredBits& stored) {
  ScanClauses clauses;
  if (!parse_clauses(clauses)) return;
  if (padded_) {
    if (clauses.length != 0) {
      diagnostics_.error(statement_.line,
                         statement_.command + " " + std::to_string(clauses.length) +
                             " pads the scans for other devices of the chain, which --device "
                             "does already: use one or the other");
    }
    return;
  }
  ScanBits bits;
  if (memory.resolve(clauses, statement_.line, diagnostics_, bits)) stored.store(bits);
}

void SvfFrontEnd::scan(SvfBackEnd& back_end, ScanKind kind) {
  const bool ir = kind == ScanKind::ir;
  ScanCommand command;
  command.line = statement_.line;
  command.kind = kind;
  command.name = ir ? "SIR" : "SDR";
  command.end_state = ir ? endir_ : enddr_;
  command.from = current_;
  // Wherever a scan went wrong, it ends where every scan of its kind does.
  current_ = command.end_state;
  current_known_ = true;
  ScanClauses clauses;
  if (!parse_clauses(clauses)) return;
  const bool after_reset = padded_ && !ir && !ir_since_reset_;
  const StoredBits& header = ir ? hir_ : after_reset ? reset_hdr_ : hdr_;
  const StoredBits& trailer = ir ? tir_ : after_reset ? reset_tdr_ : tdr_;
  if (ir) ir_since_reset_ = true;
  reached(command.end_state);
  const std::int64_t total = header.length + clauses.length + trailer.length;
  if (total > max_scan_length) {
    diagnostics_.error(command.line, statement_.command + " with its header and trailer is " +
                                         std::to_string(total) + " bits, over tapwright's " +
                                         std::to_string(max_scan_length));
    return;
  }
  if (!(ir ? sir_ : sdr_).resolve(clauses, command.line, diagnostics_, command.scan)) return;
  command.header = header.view();
  command.trailer = trailer.view();
  for (const ScanBits* part : {&command.header, &command.scan, &command.trailer}) {
    command.compares = command.compares || compares_any(*part);
  }
  back_end.scan(command);
}

void SvfFrontEnd::runtest(SvfBackEnd& back_end) {
  RuntestCommand command;
  command.line = statement_.line;
  command.from = current_;
  std::optional<TapState> run_state, end_state;
  std::string problem;
  if (!parse_runtest(statement_.args, command, run_state, end_state, problem)) {
    diagnostics_.error(command.line, problem);
    current_known_ = false;
    return;
  }
  if (command.count && command.count->ceil() && !command.count->whole()) {
    diagnostics_.note(command.line, "RUNTEST " + command.count->to_string() + " TCK gives " +
                                        std::to_string(*command.count->ceil()) +
                                        " clocks: a clock count is rounded up to a whole one");
  }
  // The run state carries over; the end state is the one given, else the
  // run state when this statement names one, else the last end state.
  if (run_state) run_state_ = *run_state;
  if (end_state) {
    run_end_state_ = *end_state;
  } else if (run_state) {
    run_end_state_ = *run_state;
  }
  command.run_state = run_state_;
  command.end_state = run_end_state_;
  current_ = run_end_state_;
  reached(run_state_);
  reached(run_end_state_);
  current_known_ = true;
  back_end.runtest(command);
}

void SvfFrontEnd::state(SvfBackEnd& back_end) {
  StateCommand command;
  command.line = statement_.line;
  command.from = current_;
  command.path = std::move(statement_.states);
  const bool from_known = std::exchange(current_known_, false);
  if (!statement_.args.empty()) {
    const Token& t = statement_.args[0];
    diagnostics_.error(command.line,
                       "STATE has " +
                           (t.kind == TokenKind::word ? quoted(t.text) : std::string("a value")) +
                           ", which is no TAP state");
    return;
  }
  if (command.path.empty()) {
    diagnostics_.error(command.line, "STATE names no state");
    return;
  }
  std::string problem;
  if (!check_state_path(command.from, command.path, problem, from_known)) {
    diagnostics_.error(command.line, problem);
    return;
  }
  current_ = command.path.back();
  current_known_ = true;
  for (TapState s : command.path) reached(s);
  if (from_known) back_end.state(command);
}

void SvfFrontEnd::end_state(SvfBackEnd& back_end, ScanKind kind) {
  const Token* w = only_word(statement_);
  const auto state = w ? svf_state_from_word(w->key) : std::nullopt;
  if (!state || !is_stable(*state)) {
    diagnostics_.error(statement_.line, statement_.command +
                                            " needs one stable state: IDLE, RESET, DRPAUSE or "
                                            "IRPAUSE");
    return;
  }
  (kind == ScanKind::ir ? endir_ : enddr_) = *state;
  back_end.end_state({statement_.line, kind, *state});
}

void SvfFrontEnd::trst(SvfBackEnd& back_end) {
  const Token* w = only_word(statement_);
  const std::string key = w ? w->key : std::string();
  TrstCommand command;
  command.line = statement_.line;
  command.from = current_;
  if (key == "ON") {
    command.mode = TrstMode::on;
    current_ = TapState::test_logic_reset;
    reached(current_);
  } else if (key == "OFF") {
    command.mode = TrstMode::off;
  } else if (key == "Z") {
    command.mode = TrstMode::z;
  } else if (key == "ABSENT") {
    command.mode = TrstMode::absent;
  } else {
    diagnostics_.error(command.line, "TRST needs one of ON, OFF, Z, ABSENT");
    current_known_ = false;
    return;
  }
  if (command.mode == TrstMode::on) current_known_ = true;
  back_end.trst(command);
}

void SvfFrontEnd::frequency(SvfBackEnd& back_end) {
  const auto& args = statement_.args;
  FrequencyCommand command;
  command.line = statement_.line;
  if (!args.empty()) {
    const Token* n = word_at(args, 0);
    const Token* unit = word_at(args, 1);
    command.hz =
        n && unit && args.size() == 2 && unit->key == "HZ" ? parse_decimal(n->key) : std::nullopt;
    if (!command.hz || command.hz->is_zero()) {
      diagnostics_.error(command.line, "FREQUENCY needs a rate above 0 as 'cycles HZ'");
      return;
    }
  }
  back_end.frequency(command);
}

}  // namespace tapwright::fullsvf
