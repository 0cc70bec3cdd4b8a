#pragma once
// The one reader of the programs' command lines. Each program declares its
// options as data, a table of rows; the reader takes the arguments apart by
// the table, and the help lists the options from the same rows.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tapwright::cli {

enum class Takes : unsigned char { nothing, value, optional_value };

struct Option {
  int id;                            // the program's own name for the option
  std::string_view name;             // "--compare"
  char letter = 0;                   // 'c' for -c; 0: none
  Takes takes = Takes::nothing;      // an optional value only as --name=VALUE
  std::string_view value_name = {};  // "FILE", as the help shows it
  std::string_view help = {};        // "\n" begins another line; empty: not in the help
  bool runs_without_file = false;    // given, no FILE is needed (--help, --version)
};

struct GivenOption {
  int id;
  std::string value;  // empty when none was given
};

struct CommandLine {
  std::vector<GivenOption> options;  // in the order given
  std::vector<std::string> operands;
  bool runs_without_file = false;  // an option that needs no FILE was given

  bool has(int id) const;
};

// GNU style: "--name VALUE" or "--name=VALUE", "-x VALUE", "-xVALUE" or
// "-x=VALUE", letters together ("-cv"), "-" an operand like any other, "--"
// the end of the options. One FILE operand, none when an option that runs
// without one was given. 1; or 0 with the reason for the user.
int read_command_line(std::span<const Option> table, std::span<const std::string> args,
                      CommandLine& line, std::string& problem);

// Only the table's long options are taken, wherever they stand; every other
// argument is an operand, as it is, for a reader of its own. Reads on past a
// problem (the first is the one told), so that every operand is seen.
int read_options_among(std::span<const Option> table, std::span<const std::string> args,
                       CommandLine& line, std::string& problem);

// The help's lines for the table: "  -c, --compare   what it does".
std::string describe_options(std::span<const Option> table, std::string_view indent);

}  // namespace tapwright::cli
