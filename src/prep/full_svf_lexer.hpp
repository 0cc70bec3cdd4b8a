#pragma once
// Splits full SVF text into words, parenthesised values and statement ends.
//
// Unlike tapwright's own tokenizer this one reads SVF as vendors write it:
// "!" and "//" begin comments anywhere, "(" and ")" end words ("TDI(0F)" is
// two tokens), and a value may hold blanks and line breaks between its
// digits. A value comes back as its hex digits alone.
#include <string>
#include <string_view>

#include "prep/prep_diagnostic.hpp"

namespace tapwright::prep {

enum class TokenKind { word, value, statement_end, end_of_input };

struct Token {
  TokenKind kind = TokenKind::end_of_input;
  int line = 0;      // where the token begins
  std::string text;  // a word, or a value's hex digits
  // The first character of a value that is no hex digit (0 if none), and
  // its line. Only scan clauses take values, so only they report it.
  char bad_char = 0;
  int bad_line = 0;
};

class FullSvfLexer {
 public:
  // A value without its ")" is reported to `diagnostics` and delivered all
  // the same.
  FullSvfLexer(std::string_view text, Diagnostics& diagnostics)
      : text_(text), diagnostics_(diagnostics) {}

  Token next();

 private:
  // Skips blanks and comments; counts lines.
  // Passes one blank, line end or comment at pos_; false when none stands there.
  bool skip_separator();
  void skip_blanks();
  bool at_comment() const;
  void skip_comment();
  Token read_value();

  std::string_view text_;
  Diagnostics& diagnostics_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace tapwright::prep
