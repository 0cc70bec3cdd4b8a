#pragma once
// Groups the tokens of full SVF into statements: a command word and what
// follows it up to ";". SVF keywords, state names and units are
// case-insensitive; each word keeps its spelling for messages and carries
// an upper-case key for matching.
#include <string>
#include <vector>

#include "fullsvf/diagnostics.hpp"
#include "fullsvf/svf_lexer.hpp"

namespace tapwright::fullsvf {

struct Statement {
  int line = 0;         // of the command word
  std::string command;  // upper case
  Token command_token;  // as written
  std::vector<Token> args;
};

class StatementReader {
 public:
  StatementReader(SvfSource& source, Diagnostics& diagnostics)
      : lexer_(source, diagnostics), diagnostics_(diagnostics) {}

  // 1: the next statement is in `out`. 0: the input is over.
  int next(Statement& out);
  // The line the reader has reached.
  int line() const { return lexer_.line(); }

 private:
  SvfLexer lexer_;
  Diagnostics& diagnostics_;
};

}  // namespace tapwright::fullsvf
