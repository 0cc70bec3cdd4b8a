#include "prep/svf_statement.hpp"

namespace tapwright::prep {
namespace {

void to_upper(std::string& word) {
  for (char& c : word) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
}

}  // namespace

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
    out.command = std::move(first.text);
    to_upper(out.command);
    out.args.clear();
    while (true) {
      Token t = lexer_.next();
      if (t.kind == TokenKind::statement_end) return 1;
      if (t.kind == TokenKind::end_of_input) {
        diagnostics_.error(out.line,
                           out.command + " statement has no ';' before the end of the file");
        return 1;
      }
      if (t.kind == TokenKind::word) to_upper(t.text);
      out.args.push_back(std::move(t));
    }
  }
}

}  // namespace tapwright::prep
