#pragma once
// Groups the tokens of full SVF into statements: a command word and what
// follows it up to ";". Words come back in upper case, since SVF keywords,
// state names and units are case-insensitive.
#include <string>
#include <string_view>
#include <vector>

#include "prep/full_svf_lexer.hpp"
#include "prep/prep_diagnostic.hpp"

namespace tapwright::prep {

struct Statement {
  int line = 0;  // of the command word
  std::string command;
  std::vector<Token> args;
};

class StatementReader {
 public:
  StatementReader(std::string_view text, Diagnostics& diagnostics)
      : lexer_(text, diagnostics), diagnostics_(diagnostics) {}

  // 1: the next statement is in `out`. 0: the input is over.
  int next(Statement& out);

 private:
  FullSvfLexer lexer_;
  Diagnostics& diagnostics_;
};

}  // namespace tapwright::prep
