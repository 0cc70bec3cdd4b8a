#include "fullsvf/svf_lexer.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace tapwright::fullsvf {
namespace {

bool is_blank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// 1 for a hex digit; a byte rather than a bool, so that eight lookups can
// be combined with & and tested once.
constexpr std::array<std::uint8_t, 256> hex_digits = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = '0'; c <= '9'; ++c) table[c] = 1;
  for (int c = 'a'; c <= 'f'; ++c) table[c] = table[c - 32] = 1;
  return table;
}();

// Characters that end a word. "!" and "/" end it only as a comment.
constexpr std::array<bool, 256> word_ends = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '\f', '\v', ';', '(', ')', '!', '/'}) {
    table[c] = true;
  }
  return table;
}();

constexpr std::size_t max_key_length = 32;

}  // namespace

std::string shown_word(const Token& token) {
  if (token.key.empty()) return quoted(token.text);
  for (char c : token.key) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return quoted(token.text);
  }
  return token.key;
}

bool SvfLexer::at_comment(int c) {
  return c == '!' || (c == '/' && source_.peek_next() == '/');
}

void SvfLexer::skip_comment() {
  // Up to the line end, which is left to count the line.
  for (std::string_view run = source_.buffered(); !run.empty(); run = source_.buffered()) {
    const void* eol = std::memchr(run.data(), '\n', run.size());
    if (eol) {
      source_.consume(static_cast<std::size_t>(static_cast<const char*>(eol) - run.data()));
      return;
    }
    source_.consume(run.size());
  }
}

bool SvfLexer::skip_separator(int c) {
  if (c == '\n') {
    ++line_;
    source_.consume(1);
  } else if (is_blank(c)) {
    source_.consume(1);
  } else if (at_comment(c)) {
    skip_comment();
  } else {
    return false;
  }
  return true;
}

Token SvfLexer::next() {
  int c = source_.peek();
  while (c >= 0 && skip_separator(c)) c = source_.peek();
  Token token;
  token.line = line_;
  // DOS-era tools end a file with Ctrl-Z; one as its very last byte is the
  // end of the file, not a word.
  if (c == 0x1a && source_.peek_next() < 0) {
    source_.consume(1);
    c = -1;
  }
  if (c < 0) return token;
  if (c == ';') {
    source_.consume(1);
    token.kind = TokenKind::statement_end;
    return token;
  }
  if (c == '(') {
    read_value(token);
    return token;
  }
  token.kind = TokenKind::word;
  if (c == ')') {
    // A stray ")" is a word of its own, which no statement accepts.
    source_.consume(1);
    token.text.push_back(')');
  } else {
    read_word(token);
  }
  if (token.text.size() <= max_key_length) {
    token.key = token.text;
    for (char& k : token.key) {
      if (k >= 'a' && k <= 'z') k = static_cast<char>(k - 32);
    }
  }
  return token;
}

void SvfLexer::read_word(Token& token) {
  bool cut = false;
  // The first character is no separator and no comment: next() saw to it.
  token.text += static_cast<char>(source_.peek());
  source_.consume(1);
  for (std::string_view run = source_.buffered(); !run.empty(); run = source_.buffered()) {
    std::size_t i = 0;
    while (i < run.size() && !word_ends[static_cast<unsigned char>(run[i])]) ++i;
    const std::size_t room = max_word_length - std::min(max_word_length, token.text.size());
    token.text.append(run.data(), std::min(i, room));
    source_.consume(i);
    if (i > room && !cut) {
      // Told now rather than at the end of the word, which a stream of
      // garbage may never reach.
      cut = true;
      diagnostics_.error(token.line, "a word of more than " + std::to_string(max_word_length) +
                                         " characters: " + quoted(token.text));
    }
    if (i == run.size()) continue;
    // A "/" that begins no comment belongs to the word.
    if (run[i] == '/' && source_.peek_next() != '/') {
      if (token.text.size() < max_word_length) token.text += '/';
      source_.consume(1);
      continue;
    }
    break;
  }
}

void SvfLexer::read_value(Token& token) {
  token.kind = TokenKind::value;
  source_.consume(1);  // "("
  bool measured = false;
  while (true) {
    // The digits usually run unbroken for whole lines; take them in runs.
    const std::string_view run = source_.buffered();
    if (run.empty()) {
      if (!source_.ended_early()) {
        diagnostics_.error(token.line,
                           "value in parentheses has no closing ')' before the end of the file");
      }
      return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(run.data());
    std::size_t i = 0;
    // Eight at a time while they are all digits, then one by one.
    while (i + 8 <= run.size() &&
           (hex_digits[bytes[i]] & hex_digits[bytes[i + 1]] & hex_digits[bytes[i + 2]] &
            hex_digits[bytes[i + 3]] & hex_digits[bytes[i + 4]] & hex_digits[bytes[i + 5]] &
            hex_digits[bytes[i + 6]] & hex_digits[bytes[i + 7]])) {
      i += 8;
    }
    while (i < run.size() && hex_digits[bytes[i]]) ++i;
    if (i == run.size() && !measured) {
      // A value longer than what is buffered: make room for all of it.
      token.text.reserve(token.text.size() + source_.distance_to(')'));
      measured = true;
    }
    token.text.append(run.data(), i);
    source_.consume(i);
    if (i == run.size()) continue;
    const int c = static_cast<unsigned char>(run[i]);
    if (c == ')') {
      source_.consume(1);
      return;
    }
    if (c == ';') {
      // Leave the ";" to end the statement, so one typo costs one statement.
      diagnostics_.error(token.line, "value in parentheses has no closing ')' before ';'");
      return;
    }
    if (!skip_separator(c)) {
      if (token.bad_char == 0) {
        token.bad_char = static_cast<char>(c);
        token.bad_line = line_;
      }
      source_.consume(1);
    }
  }
}

}  // namespace tapwright::fullsvf
