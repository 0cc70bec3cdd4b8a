#include "fullsvf/svf_statement.hpp"

#include "fullsvf/svf_states.hpp"

namespace tapwright::fullsvf {

int StatementReader::next(Statement& out) {
  while (true) {
    Token first = lexer_.next();
    if (first.kind == TokenKind::end_of_input) return 0;
    if (first.kind == TokenKind::statement_end) continue;  // ";;" is an empty statement
    if (first.kind == TokenKind::value) {
      diagnostics_.error(first.line,
                         "a value in parentheses stands where a statement should begin");
      // Resynchronise at the next ";".
      for (Token t = lexer_.next();
           t.kind != TokenKind::statement_end && t.kind != TokenKind::end_of_input;
           t = lexer_.next()) {
      }
      continue;
    }
    out.line = first.line;
    out.command = first.key.empty() ? first.text : first.key;
    out.command_token = std::move(first);
    out.args.clear();
    out.dropped_args = 0;
    out.states.clear();
    const bool path = out.command == "STATE";
    while (true) {
      Token t = lexer_.next();
      if (t.kind == TokenKind::statement_end) return 1;
      if (t.kind == TokenKind::end_of_input) {
        // Cut off: what it would mean is not judged, which would only
        // repeat that it has no end.
        if (!source_.ended_early()) {
          diagnostics_.error(out.line, shown_word(out.command_token) +
                                           " statement has no ';' before the end of the file");
        }
        return 0;
      }
      const auto state =
          path && t.kind == TokenKind::word ? svf_state_from_word(t.key) : std::nullopt;
      if (state) {
        out.states.push_back(*state);
      } else if (out.args.size() < max_kept_args) {
        out.args.push_back(std::move(t));
      } else {
        ++out.dropped_args;
      }
    }
  }
}

}  // namespace tapwright::fullsvf
