#include "prep/full_svf_lexer.hpp"

namespace tapwright::prep {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool FullSvfLexer::at_comment() const {
  if (pos_ >= text_.size()) return false;
  if (text_[pos_] == '!') return true;
  return text_[pos_] == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/';
}

void FullSvfLexer::skip_comment() {
  while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
}

bool FullSvfLexer::skip_separator() {
  const char c = text_[pos_];
  if (c == '\n') {
    ++line_;
    ++pos_;
  } else if (is_blank(c)) {
    ++pos_;
  } else if (at_comment()) {
    skip_comment();
  } else {
    return false;
  }
  return true;
}

void FullSvfLexer::skip_blanks() {
  while (pos_ < text_.size() && skip_separator()) {
  }
}

Token FullSvfLexer::next() {
  skip_blanks();
  Token token;
  token.line = line_;
  if (pos_ >= text_.size()) return token;
  const char c = text_[pos_];
  if (c == ';') {
    ++pos_;
    token.kind = TokenKind::statement_end;
    return token;
  }
  if (c == '(') return read_value();
  token.kind = TokenKind::word;
  if (c == ')') {
    // A stray ")" is a word of its own, which no statement accepts.
    ++pos_;
    token.text = ")";
    return token;
  }
  const std::size_t start = pos_;
  while (pos_ < text_.size()) {
    const char d = text_[pos_];
    if (is_blank(d) || d == ';' || d == '(' || d == ')' || at_comment()) break;
    ++pos_;
  }
  token.text.assign(text_.substr(start, pos_ - start));
  return token;
}

Token FullSvfLexer::read_value() {
  Token token;
  token.kind = TokenKind::value;
  token.line = line_;
  ++pos_;  // "("
  // The digits usually run unbroken for whole lines; copy them in runs.
  while (true) {
    const std::size_t run = pos_;
    while (pos_ < text_.size() && is_hex_digit(text_[pos_])) ++pos_;
    token.text.append(text_.substr(run, pos_ - run));
    if (pos_ >= text_.size()) {
      diagnostics_.error(token.line,
                         "value in parentheses has no closing ')' before the end of the file");
      return token;
    }
    const char c = text_[pos_];
    if (c == ')') {
      ++pos_;
      return token;
    }
    if (c == ';') {
      // Leave the ";" to end the statement, so one typo costs one statement.
      diagnostics_.error(token.line, "value in parentheses has no closing ')' before ';'");
      return token;
    }
    if (!skip_separator()) {
      if (token.bad_char == 0) {
        token.bad_char = c;
        token.bad_line = line_;
      }
      ++pos_;
    }
  }
}

}  // namespace tapwright::prep
