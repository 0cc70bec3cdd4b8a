#include "cli/command_line.hpp"

#include <algorithm>

namespace tapwright::cli {
namespace {

// Takes the arguments apart one at a time; the first problem is kept.
class Reader {
 public:
  Reader(std::span<const Option> table, std::span<const std::string> args, CommandLine& line,
         std::string& problem)
      : table_(table), args_(args), line_(line), problem_(problem) {}

  int fail(std::string reason) {
    if (problem_.empty()) problem_ = std::move(reason);
    return 0;
  }

  const Option* named(std::string_view name) const {
    for (const Option& o : table_) {
      if (!o.name.empty() && o.name == name) return &o;
    }
    return nullptr;
  }

  const Option* lettered(char letter) const {
    for (const Option& o : table_) {
      if (o.letter != 0 && o.letter == letter) return &o;
    }
    return nullptr;
  }

  // `attached`: the value written into the same argument, if any.
  int take(const Option& o, const std::string& spelled, const std::string_view* attached) {
    GivenOption given{o.id, {}};
    if (o.takes == Takes::nothing && attached) return fail(spelled + " takes no value");
    if (attached) {
      given.value = *attached;
    } else if (o.takes == Takes::value) {
      if (at_ + 1 >= args_.size()) return fail(spelled + " needs an argument");
      given.value = args_[++at_];
    }
    if (given.value.empty() && (attached || o.takes == Takes::value)) {
      return fail(spelled + " needs an argument, not an empty one");
    }
    line_.runs_without_file = line_.runs_without_file || o.runs_without_file;
    line_.options.push_back(std::move(given));
    return 1;
  }

  // "--name" or "--name=VALUE".
  int long_option(std::string_view arg) {
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const Option* o = named(name);
    if (!o) return fail("unknown option '" + std::string(name) + "'");
    const std::string_view value = equals == arg.npos ? std::string_view() : arg.substr(equals + 1);
    return take(*o, std::string(name), equals == arg.npos ? nullptr : &value);
  }

  // "-cv", "-oOUT", "-o=OUT", "-o OUT".
  int letters(std::string_view arg) {
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const Option* o = lettered(arg[k]);
      const std::string spelled{'-', arg[k]};
      if (!o) return fail("unknown option '" + spelled + "'");
      std::string_view rest = arg.substr(k + 1);
      if (rest.starts_with('=')) rest.remove_prefix(1);
      const bool attached = arg.size() > k + 1 && (o->takes != Takes::nothing || arg[k + 1] == '=');
      if (!attached) {
        if (!take(*o, spelled, nullptr)) return 0;
        continue;
      }
      return take(*o, spelled, &rest);
    }
    return 1;
  }

  int read_all() {
    bool only_operands = false;
    int ok = 1;
    for (at_ = 0; at_ < args_.size() && ok; ++at_) {
      const std::string& arg = args_[at_];
      if (only_operands || arg == "-" || !arg.starts_with('-')) {
        line_.operands.push_back(arg);
      } else if (arg == "--") {
        only_operands = true;
      } else if (arg.starts_with("--")) {
        ok = long_option(arg);
      } else {
        ok = letters(arg);
      }
    }
    return ok;
  }

  int read_among() {
    for (at_ = 0; at_ < args_.size(); ++at_) {
      const std::string& arg = args_[at_];
      if (arg.starts_with("--") && named(std::string_view(arg).substr(0, arg.find('=')))) {
        long_option(arg);
      } else {
        line_.operands.push_back(arg);
      }
    }
    return problem_.empty() ? 1 : 0;
  }

 private:
  std::span<const Option> table_;
  std::span<const std::string> args_;
  CommandLine& line_;
  std::string& problem_;
  std::size_t at_ = 0;
};

}  // namespace

bool CommandLine::has(int id) const {
  return std::any_of(options.begin(), options.end(),
                     [id](const GivenOption& o) { return o.id == id; });
}

int read_command_line(std::span<const Option> table, std::span<const std::string> args,
                      CommandLine& line, std::string& problem) {
  Reader reader(table, args, line, problem);
  if (!reader.read_all()) return 0;
  if (line.runs_without_file) return 1;
  if (line.operands.empty()) return reader.fail("no FILE given");
  if (line.operands.size() > 1) {
    return reader.fail("more than one FILE: '" + line.operands[0] + "' and '" + line.operands[1] +
                       "'");
  }
  if (line.operands[0].empty()) return reader.fail("FILE is an empty name");
  return 1;
}

int read_options_among(std::span<const Option> table, std::span<const std::string> args,
                       CommandLine& line, std::string& problem) {
  return Reader(table, args, line, problem).read_among();
}

std::string describe_options(std::span<const Option> table, std::string_view indent) {
  const bool any_letter =
      std::any_of(table.begin(), table.end(), [](const Option& o) { return o.letter != 0; });
  const std::size_t column = indent.size() + (any_letter ? 4 : 0) + 20;
  std::string text;
  for (const Option& o : table) {
    if (o.help.empty()) continue;
    std::string left(indent);
    if (any_letter) left += o.letter ? std::string{'-', o.letter, ',', ' '} : "    ";
    left += o.name;
    if (o.takes == Takes::value) (left += ' ') += o.value_name;
    if (o.takes == Takes::optional_value) ((left += "[=") += o.value_name) += ']';
    text += left;
    if (left.size() + 2 > column)
      text += '\n' + std::string(column, ' ');
    else
      text += std::string(column - left.size(), ' ');
    for (const char c : o.help) {
      text += c;
      if (c == '\n') text += std::string(column, ' ');
    }
    text += '\n';
  }
  return text;
}

}  // namespace tapwright::cli
