#include "prep/runtest_lowering.hpp"

#include "prep/state_path.hpp"

namespace tapwright::prep {
namespace {

struct RuntestForm {
  std::optional<TapState> run_state;
  std::optional<DecimalNumber> count;
  bool count_in_sck = false;
  std::optional<DecimalNumber> min_time;
  std::optional<DecimalNumber> max_time;
  std::optional<TapState> end_state;
};

// Walks the words in the order SVF allows them. 0 and `problem` otherwise.
int parse_runtest(const std::vector<Token>& args, RuntestForm& form, std::string& problem) {
  std::size_t i = 0;
  auto word = [&](std::size_t k) -> const std::string* {
    return k < args.size() && args[k].kind == TokenKind::word ? &args[k].text : nullptr;
  };
  auto stable_state = [&](std::size_t k, std::optional<TapState>& state) {
    const std::string* w = word(k);
    const auto s = w ? svf_state_from_word(*w) : std::nullopt;
    if (!s || !is_stable(*s)) {
      problem = "RUNTEST needs a stable state (IDLE, RESET, DRPAUSE, IRPAUSE) where it has " +
                (w ? "'" + *w + "'" : std::string("no word"));
      return 0;
    }
    state = s;
    return 1;
  };
  if (const std::string* w = word(0); w && svf_state_from_word(*w)) {
    if (!stable_state(0, form.run_state)) return 0;
    i = 1;
  }
  // A number and its unit: TCK or SCK for a count, SEC for a time.
  auto number_with_unit = [&](std::optional<DecimalNumber>& number, std::string& unit) {
    const std::string* n = word(i);
    const std::string* u = word(i + 1);
    if (!n || !u) return false;
    const auto value = parse_decimal(*n);
    if (!value) return false;
    number = value;
    unit = *u;
    i += 2;
    return true;
  };
  std::optional<DecimalNumber> number;
  std::string unit;
  if (number_with_unit(number, unit)) {
    if (unit == "TCK" || unit == "SCK") {
      form.count = number;
      form.count_in_sck = unit == "SCK";
      if (number_with_unit(number, unit)) {
        if (unit != "SEC") {
          problem = "RUNTEST has '" + unit + "' where the unit SEC of its minimum time belongs";
          return 0;
        }
        form.min_time = number;
      }
    } else if (unit == "SEC") {
      form.min_time = number;
    } else {
      problem = "RUNTEST has the unit '" + unit + "' where TCK, SCK or SEC belongs";
      return 0;
    }
  }
  if (!form.count && !form.min_time) {
    problem = "RUNTEST gives neither a clock count (n TCK) nor a time (t SEC)";
    return 0;
  }
  if (const std::string* w = word(i); w && *w == "MAXIMUM") {
    ++i;
    if (!form.min_time || !number_with_unit(number, unit) || unit != "SEC") {
      problem = "RUNTEST MAXIMUM needs a minimum time before it and 'max SEC' after it";
      return 0;
    }
    form.max_time = number;
  }
  if (const std::string* w = word(i); w && *w == "ENDSTATE") {
    if (!stable_state(i + 1, form.end_state)) return 0;
    i += 2;
  }
  if (i < args.size()) {
    problem = args[i].kind == TokenKind::word
                  ? "RUNTEST has '" + args[i].text + "' where nothing more belongs"
                  : std::string("RUNTEST has a value in parentheses, which it takes none of");
    return 0;
  }
  return 1;
}

void append_state(std::string& out, TapState state) {
  out += "STATE ";
  out += tap_state_name(state);
  out += ";\n";
}

}  // namespace

int RuntestLowering::lower(const Statement& statement, const DecimalNumber& hz, std::string& out,
                           TapState& current, Diagnostics& diagnostics) {
  RuntestForm form;
  std::string problem;
  if (!parse_runtest(statement.args, form, problem)) {
    diagnostics.error(statement.line, problem);
    return 0;
  }
  // SVF: the run state carries over; the end state is the one given, else
  // the run state when this statement names one, else the last end state.
  if (form.run_state) run_state_ = *form.run_state;
  if (form.end_state) {
    end_state_ = *form.end_state;
  } else if (form.run_state) {
    end_state_ = *form.run_state;
  }
  current = end_state_;

  if (form.count_in_sck) {
    diagnostics.error(statement.line, "RUNTEST counts SCK clocks, which tapwright cannot give");
    return 0;
  }
  std::optional<std::uint64_t> count = std::uint64_t{0};
  if (form.count) {
    count = form.count->ceil();
  }
  // A wait beyond this many clocks (months at any cable's speed) is a typo.
  constexpr std::uint64_t limit = std::uint64_t{1} << 53;
  std::optional<std::uint64_t> timed = std::uint64_t{0};
  if (form.min_time) timed = ceil_product(*form.min_time, hz, limit);
  if (!count || *count > limit || !timed) {
    diagnostics.error(statement.line,
                      "RUNTEST waits longer than tapwright-prep accepts (over 2^53 clocks)");
    return 0;
  }
  if (form.max_time) {
    diagnostics.note(statement.line, "MAXIMUM " + form.max_time->to_string() +
                                         " SEC ignored: tapwright bounds no wait from above");
  }
  const std::uint64_t clocks = std::max(*count, *timed);

  if (run_state_ != TapState::run_test_idle) {
    if (clocks != 0 || (form.min_time && !form.min_time->is_zero())) {
      diagnostics.error(statement.line, "RUNTEST clocks in " +
                                            std::string(tap_state_name(run_state_)) +
                                            ": tapwright gives run-test clocks only in IDLE");
      return 0;
    }
    append_state(out, run_state_);
  } else if (clocks == 0) {
    append_state(out, TapState::run_test_idle);
  } else {
    for (std::uint64_t left = clocks; left > 0;) {
      const std::uint64_t part = std::min(left, max_runtest_count);
      out += "RUNTEST " + std::to_string(part) + " TCK;\n";
      left -= part;
    }
  }
  if (end_state_ != run_state_) append_state(out, end_state_);
  return 1;
}

}  // namespace tapwright::prep
