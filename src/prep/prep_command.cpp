#include "prep/prep_command.hpp"

#include <memory>
#include <optional>

#include "cli/command_line.hpp"
#include "cli/exit_status.hpp"
#include "cli/interrupt.hpp"
#include "cli/output_file.hpp"
#include "cli/separate_outputs.hpp"
#include "cli/standard_streams.hpp"
#include "fullsvf/problem_list.hpp"
#include "fullsvf/svf_input.hpp"
#include "prep/svf_lowering.hpp"

namespace tapwright::prep {
namespace {

using cli::Takes;
using fullsvf::DecimalNumber;

enum { tck_hz_option, check_option, output_option, help_option, version_option };

constexpr cli::Option option_rows[] = {
    {tck_hz_option, "--tck-hz", 0, Takes::value, "HZ",
     "clock rate for RUNTEST times in seconds, a number\n"
     "with an optional unit Hz, kHz or MHz (default: the\n"
     "file's last FREQUENCY, else 1000000); set it to the\ncable's fastest TCK"},
    {check_option, "--check", 0, Takes::nothing, {}, "only report; write nothing"},
    {output_option, "--output", 'o', Takes::value, "OUT",
     "write to OUT instead of standard output (untouched\non failure); - is standard output"},
    {help_option, "--help", 'h', Takes::nothing, {}, "this text", true},
    {version_option, "--version", 0, Takes::nothing, {}, "print the version and exit", true},
};

std::string usage_text() {
  return "usage: tapwright-prep [options] FILE\n"
         "Lowers a full SVF file to the statements tapwright plays, or says why it cannot.\n" +
         cli::describe_options(option_rows, "  ") +
         "  FILE                    the SVF file, or - for standard input\n"
         "Exit status: 0 lowered (or, with --check, can be), 1 not lowered and nothing\n"
         "written, or a usage error, 130 interrupted.\n";
}

struct Arguments {
  std::string input;
  std::string output;  // empty or "-": standard output
  std::optional<DecimalNumber> tck_hz;
  bool check = false;
  bool help = false;
  bool version = false;
};

// 1 and `a` filled, or 0 and the reason in `problem`.
int read_arguments(const std::vector<std::string>& args, Arguments& a, std::string& problem) {
  cli::CommandLine line;
  if (!cli::read_command_line(option_rows, args, line, problem)) return 0;
  for (const cli::GivenOption& o : line.options) {
    switch (o.id) {
      case tck_hz_option:
        a.tck_hz = fullsvf::parse_rate(o.value);
        if (!a.tck_hz || a.tck_hz->is_zero()) {
          problem = "--tck-hz needs a clock rate above 0 (like 6000000, 6MHz or 500kHz), not '" +
                    o.value + "'";
          return 0;
        }
        break;
      case check_option:
        a.check = true;
        break;
      case output_option:
        a.output = o.value;
        break;
      case help_option:
        a.help = true;
        break;
      case version_option:
        a.version = true;
        break;
    }
  }
  if (!line.operands.empty()) a.input = line.operands[0];
  return 1;
}

void warn_about_rate(const Arguments& a, const LoweringPlan& plan, std::FILE* err) {
  if (plan.rate_assumed) {
    std::fprintf(err,
                 "tapwright-prep: note: the file's waits in seconds become clocks at an assumed %s "
                 "Hz, since neither --tck-hz nor a FREQUENCY gives the rate; on a cable that "
                 "clocks faster every such wait is shorter than the file asks: set --tck-hz to "
                 "the cable's fastest TCK\n",
                 plan.hz.to_string().c_str());
  }
  if (a.tck_hz && fullsvf::ceil_product(*a.tck_hz, *fullsvf::parse_decimal("1"), 999)) {
    std::fprintf(err,
                 "tapwright-prep: warning: --tck-hz %s is below 1 kHz: a 50 ms wait becomes %llu "
                 "clock(s); did you mean kHz or MHz?\n",
                 a.tck_hz->to_string().c_str(),
                 static_cast<unsigned long long>(*fullsvf::ceil_product(
                     *a.tck_hz, *fullsvf::parse_decimal("0.05"), UINT64_MAX)));
  }
}

int fail(std::FILE* err, const std::string& reason) {
  if (cli::interrupted()) {
    std::fputs("tapwright-prep: interrupted; nothing written\n", err);
    return cli::exit_interrupted;
  }
  std::fprintf(err, "tapwright-prep: %s\n", reason.c_str());
  return cli::exit_failed;
}

// The passes that judge the file, and what they found: exit_ok when it can
// be lowered, else the status, with the reason told.
int check_file(fullsvf::SvfInput& input, const LoweringOptions& options, LoweringPlan& plan,
               std::FILE* err) {
  const std::string& name = input.name();
  fullsvf::ProblemList problems(name);
  fullsvf::Diagnostics diagnostics([&](const fullsvf::Diagnostic& d) { problems.add(d); });
  std::string problem;
  // A stream is checked as it is copied, and not copied on past the first
  // problem: it may never end.
  std::unique_ptr<fullsvf::SvfSource> source = input.next_pass(problem);
  source->stop_when(
      [&] { return cli::interrupted() || (input.is_stream() && diagnostics.error_count() > 0); });
  plan = svf_check_lowering(*source, options, diagnostics);
  int read = input.check_pass(*source, problem);
  if (read && plan.waits_to_check && !source->ended_early()) {
    source = input.next_pass(problem);
    read = source != nullptr;
    if (read) {
      source->stop_when(cli::interrupted);
      svf_check_waits(*source, plan, diagnostics);
      read = input.check_pass(*source, problem);
    }
  }
  if (cli::interrupted()) return fail(err, "");
  problems.print(err, "tapwright-prep");
  if (!read) return fail(err, problem + "; nothing written");
  if (plan.errors != 0) {
    return fail(err, name + " cannot be lowered (" + std::to_string(plan.errors) +
                         (plan.errors == 1 ? " problem" : " problems") + "); nothing written");
  }
  if (plan.statements == 0) return fail(err, name + ": no SVF statement");
  return cli::exit_ok;
}

// The last pass, to standard output or through the output file.
int write_file(fullsvf::SvfInput& input, const Arguments& a, const LoweringOptions& options,
               const LoweringPlan& plan, std::FILE* out, std::FILE* err) {
  std::string problem;
  std::unique_ptr<fullsvf::SvfSource> source = input.next_pass(problem);
  if (!source) return fail(err, problem);
  source->stop_when(cli::interrupted);
  const bool to_stdout = a.output.empty() || a.output == "-";
  cli::OutputFile file;
  if (!to_stdout && !file.open(a.output, "lowered file", problem)) return fail(err, problem);
  const int written = svf_write_lowered(*source, options, plan, [&](std::string_view piece) {
    if (to_stdout) return std::fwrite(piece.data(), 1, piece.size(), out) == piece.size() ? 1 : 0;
    file.write(piece.data(), piece.size());
    return file.failed() ? 0 : 1;
  });
  if (cli::interrupted()) return fail(err, "");
  if (!input.check_pass(*source, problem)) return fail(err, problem + "; nothing written");
  if (to_stdout) {
    // A failed write is told by the end of the run, as for any output.
    if (!written && !std::ferror(out))
      return fail(err, input.name() + " changed while it was read");
    return written ? cli::exit_ok : cli::exit_failed;
  }
  if (!written && !file.failed()) {
    return fail(err, input.name() + " changed while it was read; nothing written");
  }
  return file.commit(problem) ? cli::exit_ok : fail(err, problem + "; nothing written");
}

int lower(const Arguments& a, std::FILE* out, std::FILE* err) {
  cli::catch_interrupts();
  std::string problem;
  if (!a.output.empty() && a.output != "-") {
    const cli::NamedOutput outputs[] = {{"-o", a.output}};
    if (!cli::outputs_are_separate(a.input == "-" ? nullptr : a.input.c_str(), outputs, problem)) {
      return fail(err, problem);
    }
  }
  fullsvf::SvfInput input;
  if (!input.open(a.input, problem)) return fail(err, problem);
  const LoweringOptions options{input.name(), a.tck_hz};
  LoweringPlan plan;
  if (const int checked = check_file(input, options, plan, err); checked != cli::exit_ok) {
    return checked;
  }
  warn_about_rate(a, plan, err);
  if (a.check) return cli::exit_ok;
  return write_file(input, a, options, plan, out, err);
}

}  // namespace

int prep_main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  Arguments a;
  std::string problem;
  int status = cli::exit_ok;
  if (!read_arguments(args, a, problem)) {
    std::fprintf(err, "tapwright-prep: %s\nTry 'tapwright-prep --help' for more information.\n",
                 problem.c_str());
    status = cli::exit_failed;
  } else if (a.help) {
    std::fputs(usage_text().c_str(), out);
  } else if (a.version) {
    std::fputs("tapwright-prep " TAPWRIGHT_VERSION "\n", out);
  } else {
    status = lower(a, out, err);
  }
  return cli::finish_streams(status, "tapwright-prep", out, err);
}

}  // namespace tapwright::prep
