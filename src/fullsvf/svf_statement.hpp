#pragma once
// Groups the tokens of full SVF into statements: a command word and what
// follows it up to ";". SVF keywords, state names and units are
// case-insensitive; each word keeps its spelling for messages and carries
// an upper-case key for matching.
#include <cstdint>
#include <string>
#include <vector>

#include "fullsvf/diagnostics.hpp"
#include "fullsvf/svf_lexer.hpp"
#include "jtag/tap_state.hpp"

namespace tapwright::fullsvf {

// No statement but STATE takes more than a few words and values; those
// beyond this many are counted, not kept, so that a statement of a million
// words costs no memory.
inline constexpr std::size_t max_kept_args = 64;

struct Statement {
  int line = 0;         // of the command word
  std::string command;  // upper case
  Token command_token;  // as written
  std::vector<Token> args;
  std::uint64_t dropped_args = 0;  // beyond max_kept_args
  // STATE: its words that name states, a byte each however long the path;
  // its other words and values are in `args`.
  std::vector<TapState> states;
};

class StatementReader {
 public:
  StatementReader(SvfSource& source, Diagnostics& diagnostics)
      : source_(source), lexer_(source, diagnostics), diagnostics_(diagnostics) {}

  // 1: the next statement is in `out`. 0: the input is over. A statement
  // without its ";" is left out (and told of, unless the input ended early).
  int next(Statement& out);
  // The line the reader has reached.
  int line() const { return lexer_.line(); }

 private:
  const SvfSource& source_;
  SvfLexer lexer_;
  Diagnostics& diagnostics_;
};

}  // namespace tapwright::fullsvf
