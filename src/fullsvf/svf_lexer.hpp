#pragma once
// Splits full SVF text into words, parenthesised values and statement ends,
// reading SVF as vendors write it: "!" and "//" begin comments anywhere,
// "(" and ")" end words ("TDI(0F)" is two tokens), and a value may hold
// blanks, line breaks and comments between its digits. A value comes back
// as its hex digits alone.
#include <string>

#include "fullsvf/diagnostics.hpp"
#include "fullsvf/svf_source.hpp"

namespace tapwright::fullsvf {

enum class TokenKind { word, value, statement_end, end_of_input };

struct Token {
  TokenKind kind = TokenKind::end_of_input;
  int line = 0;      // where the token begins
  std::string text;  // a word as written, or a value's hex digits
  // A word in upper case, for matching keywords and state names; empty for
  // words longer than any keyword or number.
  std::string key;
  // The first character of a value that is no hex digit (0 if none), and
  // its line. Only scan clauses take values, so only they report it.
  char bad_char = 0;
  int bad_line = 0;
};

// A word as messages show it: a keyword-like word by its key ("SDR"),
// anything else quoted as written.
std::string shown_word(const Token& token);

// Longer words are cut to this length and reported: no keyword or number
// comes near it, and it keeps a file of garbage from filling memory.
inline constexpr std::size_t max_word_length = 4096;

class SvfLexer {
 public:
  // Problems of the text (a value without its ")", a word too long) go to
  // `diagnostics`; the token is delivered all the same.
  SvfLexer(SvfSource& source, Diagnostics& diagnostics)
      : source_(source), diagnostics_(diagnostics) {}

  Token next();
  int line() const { return line_; }

 private:
  // Passes one blank, line end or comment; false when none stands here.
  bool skip_separator(int c);
  void skip_comment();
  bool at_comment(int c);
  void read_word(Token& token);
  void read_value(Token& token);

  SvfSource& source_;
  Diagnostics& diagnostics_;
  int line_ = 1;
};

}  // namespace tapwright::fullsvf
