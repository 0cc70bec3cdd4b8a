#include "prep/prep_command.hpp"

#include <optional>

#include "fullsvf/svf_input.hpp"
#include "prep/output_file.hpp"
#include "prep/svf_lowering.hpp"

namespace tapwright::prep {
namespace {

using fullsvf::DecimalNumber;

constexpr const char* usage_text =
    "usage: tapwright-prep [--tck-hz HZ] [--check] [-o OUT] FILE\n"
    "Lowers a full SVF file to the statements tapwright plays, or says why it cannot.\n"
    "  --tck-hz HZ  clock rate for RUNTEST times in seconds, a number with an optional\n"
    "               unit Hz, kHz or MHz (default: the file's last FREQUENCY, else\n"
    "               1000000); set it to the cable's fastest TCK\n"
    "  --check      only report; write nothing\n"
    "  -o OUT       write to OUT instead of standard output (untouched on failure);\n"
    "               - is standard output\n"
    "  --version    print the version and exit\n"
    "  FILE         the SVF file, or - for standard input\n";

struct Arguments {
  std::string input;
  std::string output;  // empty or "-": standard output
  std::optional<DecimalNumber> tck_hz;
  bool check = false;
  bool help = false;
  bool version = false;
};

// 1 and `a` filled, or 0 and the reason in `problem`.
int parse_arguments(const std::vector<std::string>& args, Arguments& a, std::string& problem) {
  bool have_input = false;
  bool only_operands = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // The value of an option, from "--opt=VALUE" or the next argument.
    auto value_of = [&](const std::string& option, std::string& value) {
      if (arg.size() > option.size() && arg.compare(0, option.size() + 1, option + "=") == 0) {
        value = arg.substr(option.size() + 1);
        return 1;
      }
      if (i + 1 < args.size()) {
        value = args[++i];
        return 1;
      }
      problem = option + " needs an argument";
      return 0;
    };
    auto is = [&](const std::string& option) {
      return arg == option || arg.rfind(option + "=", 0) == 0;
    };
    std::string value;
    if (only_operands || arg == "-" || arg.empty() || arg[0] != '-') {
      if (have_input) {
        problem = "more than one FILE: '" + a.input + "' and '" + arg + "'";
        return 0;
      }
      a.input = arg;
      have_input = true;
    } else if (arg == "--") {
      only_operands = true;
    } else if (arg == "-h" || arg == "--help") {
      a.help = true;
    } else if (arg == "--version") {
      a.version = true;
    } else if (arg == "--check") {
      a.check = true;
    } else if (is("--tck-hz")) {
      if (!value_of("--tck-hz", value)) return 0;
      a.tck_hz = fullsvf::parse_rate(value);
      if (!a.tck_hz || a.tck_hz->is_zero()) {
        problem = "--tck-hz needs a clock rate above 0 (like 6000000, 6MHz or 500kHz), not '" +
                  value + "'";
        return 0;
      }
    } else if (arg == "-o" || is("--output")) {
      if (!value_of(arg == "-o" ? "-o" : "--output", value)) return 0;
      if (value.empty()) {
        problem = "-o needs a file name";
        return 0;
      }
      a.output = value;
    } else {
      problem = "unknown option '" + arg + "'";
      return 0;
    }
  }
  if (!have_input && !a.help && !a.version) {
    problem = "no FILE given";
    return 0;
  }
  return 1;
}

void print_diagnostic(std::ostream& err, const std::string& name, const fullsvf::Diagnostic& d) {
  err << name << ':' << d.line << ": " << (d.note ? "note: " : "") << d.message << '\n';
}

void warn_about_rate(const Arguments& a, const LoweringPlan& plan, std::ostream& err) {
  if (plan.rate_assumed) {
    err << "tapwright-prep: note: the file's waits in seconds become clocks at an assumed "
        << plan.hz.to_string()
        << " Hz, since neither --tck-hz nor a FREQUENCY gives the rate; on a cable that clocks "
           "faster every such wait is shorter than the file asks: set --tck-hz to the cable's "
           "fastest TCK\n";
  }
  if (a.tck_hz && fullsvf::ceil_product(*a.tck_hz, *fullsvf::parse_decimal("1"), 999)) {
    err << "tapwright-prep: warning: --tck-hz " << a.tck_hz->to_string()
        << " is below 1 kHz: a 50 ms wait becomes "
        << *fullsvf::ceil_product(*a.tck_hz, *fullsvf::parse_decimal("0.05"), UINT64_MAX)
        << " clock(s); did you mean kHz or MHz?\n";
  }
}

}  // namespace

int prep_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Arguments a;
  std::string problem;
  if (!parse_arguments(args, a, problem)) {
    err << "tapwright-prep: " << problem << "\n" << usage_text;
    return 2;
  }
  if (a.help) {
    out << usage_text;
    return 0;
  }
  if (a.version) {
    out << "tapwright-prep " TAPWRIGHT_VERSION "\n";
    return 0;
  }
  fullsvf::SvfInput input;
  if (!input.open(a.input, problem)) {
    err << "tapwright-prep: " << problem << "\n";
    return 1;
  }
  const std::string& name = input.name();
  const LoweringOptions options{name, a.tck_hz};

  fullsvf::Diagnostics diagnostics(
      [&](const fullsvf::Diagnostic& d) { print_diagnostic(err, name, d); });
  fullsvf::SvfSource first(input.file());
  const LoweringPlan plan = svf_check_lowering(first, options, diagnostics);
  if (first.failed()) {
    err << "tapwright-prep: cannot read " << name << "; nothing written\n";
    return 1;
  }
  if (plan.errors != 0) {
    err << "tapwright-prep: " << name << " cannot be lowered (" << plan.errors
        << (plan.errors == 1 ? " problem" : " problems") << "); nothing written\n";
    return 1;
  }
  warn_about_rate(a, plan, err);
  if (a.check) return 0;
  if (!input.rewind(problem)) {
    err << "tapwright-prep: " << problem << "\n";
    return 1;
  }

  fullsvf::SvfSource second(input.file());
  const bool to_stdout = a.output.empty() || a.output == "-";
  LoweredOutput file;
  if (!to_stdout && !file.open(a.output, problem)) {
    err << "tapwright-prep: " << problem << "\n";
    return 1;
  }
  const int written = svf_write_lowered(second, options, plan, [&](std::string_view piece) {
    if (!to_stdout) return file.write(piece);
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return out ? 1 : 0;
  });
  if (to_stdout) {
    out.flush();
    if (!written || !out) {
      err << "tapwright-prep: cannot write standard output"
          << (second.failed() ? " (reading " + name + " failed)" : std::string()) << "\n";
      return 1;
    }
    return 0;
  }
  if (!written) {
    err << "tapwright-prep: "
        << (second.failed() ? "cannot read " + name : "cannot write " + a.output)
        << "; nothing written\n";
    return 1;
  }
  if (!file.commit(problem)) {
    err << "tapwright-prep: " << problem << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tapwright::prep
