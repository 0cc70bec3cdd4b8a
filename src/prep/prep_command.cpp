#include "prep/prep_command.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "prep/svf_lowering.hpp"

namespace tapwright::prep {
namespace {

constexpr const char* usage_text =
    "usage: tapwright-prep [--tck-hz HZ] [--check] [-o OUT] FILE\n"
    "Lowers a full SVF file to the statements tapwright plays, or says why it cannot.\n"
    "  --tck-hz HZ  clock rate for RUNTEST times in seconds (default: the file's last\n"
    "               FREQUENCY, else 1000000); set it to the cable's fastest TCK\n"
    "  --check      only report; write nothing\n"
    "  -o OUT       write to OUT instead of standard output (untouched on failure)\n"
    "  FILE         the SVF file, or - for standard input\n";

struct Arguments {
  std::string input;
  std::string output;  // empty: standard output
  std::optional<DecimalNumber> tck_hz;
  bool check = false;
  bool help = false;
};

// 1 and `a` filled, or 0 and the reason in `problem`.
int parse_arguments(const std::vector<std::string>& args, Arguments& a, std::string& problem) {
  bool have_input = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto operand = [&](const char* option) -> const std::string* {
      if (i + 1 < args.size()) return &args[++i];
      problem = std::string(option) + " needs an argument";
      return nullptr;
    };
    if (arg == "-h" || arg == "--help") {
      a.help = true;
    } else if (arg == "--check") {
      a.check = true;
    } else if (arg == "--tck-hz" || arg.rfind("--tck-hz=", 0) == 0) {
      const std::string* value = arg == "--tck-hz" ? operand("--tck-hz") : nullptr;
      if (arg == "--tck-hz" && !value) return 0;
      const std::string text = value ? *value : arg.substr(9);
      const auto hz = parse_decimal(text);
      if (!hz || hz->is_zero()) {
        problem = "--tck-hz needs a clock rate above 0, not '" + text + "'";
        return 0;
      }
      a.tck_hz = hz;
    } else if (arg == "-o") {
      const std::string* value = operand("-o");
      if (!value) return 0;
      a.output = *value;
    } else if (arg.size() > 1 && arg[0] == '-') {
      problem = "unknown option '" + arg + "'";
      return 0;
    } else if (have_input) {
      problem = "more than one FILE: '" + a.input + "' and '" + arg + "'";
      return 0;
    } else {
      a.input = arg;
      have_input = true;
    }
  }
  if (!have_input && !a.help) {
    problem = "no FILE given";
    return 0;
  }
  return 1;
}

int read_input(const std::string& path, std::string& text, std::string& problem) {
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      problem = "cannot read standard input";
      return 0;
    }
    return 1;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = "cannot open " + path + ": " + std::strerror(errno);
    return 0;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    problem = "cannot read " + path + ": " + std::strerror(errno);
    return 0;
  }
  text = std::move(buffer).str();
  return 1;
}

int write_all(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    done += static_cast<std::size_t>(n);
  }
  return 1;
}

mode_t current_umask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Writes through a temporary file renamed over `path`, so that `path` holds
// either its old content or the whole new file. A path that is no regular
// file (a pipe, /dev/stdout) is written directly.
int write_output(const std::string& path, const std::string& data, std::string& problem) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    int ok = fd >= 0 ? write_all(fd, data) : 0;
    if (fd >= 0 && ::close(fd) != 0) ok = 0;
    if (!ok) problem = "cannot write " + path + ": " + std::strerror(errno);
    return ok;
  }
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    problem = "cannot create a file next to " + path + ": " + std::strerror(errno);
    return 0;
  }
  int ok = write_all(fd, data);
  if (::fchmod(fd, 0666 & ~current_umask()) != 0) ok = 0;
  if (::close(fd) != 0) ok = 0;
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = 0;
  if (!ok) {
    problem = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
  }
  return ok;
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
  std::string text;
  if (!read_input(a.input, text, problem)) {
    err << "tapwright-prep: " << problem << "\n";
    return 1;
  }
  const std::string name = a.input == "-" ? "<stdin>" : a.input;
  const LoweringResult result = svf_lower(text, {name, a.tck_hz});
  int errors = 0;
  for (const Diagnostic& d : result.diagnostics) {
    err << name << ':' << d.line << ": " << (d.note ? "note: " : "") << d.message << '\n';
    errors += d.note ? 0 : 1;
  }
  if (!result.lowered) {
    err << "tapwright-prep: " << name << " cannot be lowered (" << errors
        << (errors == 1 ? " problem" : " problems") << "); nothing written\n";
    return 1;
  }
  if (a.check) return 0;
  if (!a.output.empty()) {
    if (!write_output(a.output, result.output, problem)) {
      err << "tapwright-prep: " << problem << "\n";
      return 1;
    }
    return 0;
  }
  out.write(result.output.data(), static_cast<std::streamsize>(result.output.size()));
  out.flush();
  if (!out) {
    err << "tapwright-prep: cannot write standard output\n";
    return 1;
  }
  return 0;
}

}  // namespace tapwright::prep
