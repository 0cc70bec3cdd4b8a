#pragma once
// Splits SVF text into words, values and statement ends.
//
// A word is a run of characters other than blanks (space, tab, CR, LF) and
// ";". The separators after a word are consumed with it, and any ";" among
// them marks the statement end. "//" at the start of a word comments out the
// rest of the line. Words and values have no length limit: a configuration
// bitstream can be megabytes on one line.
#include <array>
#include <cstdio>
#include <string>

namespace tapwright {

class SvfTokenizer {
 public:
  // Reads `input` from its current position; the caller keeps it open.
  // The input is read in pieces of this many bytes.
  static constexpr std::size_t buffer_bytes = 1 << 16;

  explicit SvfTokenizer(std::FILE* input) : input_(input) {}
  SvfTokenizer(const SvfTokenizer&) = delete;
  SvfTokenizer& operator=(const SvfTokenizer&) = delete;

  // 1: the next word is in `word` and its statement end in `statement_end`.
  // 0: no word is left; `statement_end` is not written, nor is `word` unless
  // a failed read cut it off. Once 0, always 0.
  int svf_next_token(std::string& word, int& statement_end);

  // Reads the next word. When it begins with "(", `value` becomes the
  // characters up to the first ")"; a value whose ")" is not in its first
  // word goes on over the following words, the blanks between them dropped,
  // and the statement end is that of the word holding ")". Such a value fails
  // (0) when a statement end or the end of input comes before its ")".
  // A word without "(" is consumed and leaves `value` as it was.
  // 0 also when no word is left.
  int svf_read_value(std::string& value, int& statement_end);

  // True once the input could not be read. It then ends after the last byte
  // read, and a word cut off there is not delivered: the caller must not
  // take the missing rest of the file for its end.
  bool read_failed() const { return failed_; }

 private:
  static constexpr int not_read = -2;
  static constexpr int end_of_input = -1;

  // The character after `lookahead`, or end of input.
  void advance();
  // The input side of the next word: skips blanks and comments. 0 at the end
  // of input; 1 with `lookahead` on the word's first character; 2 when the
  // word began with a lone "/", which has been consumed.
  int begin_word();
  // Appends word characters to `out` up to the next separator or the end of
  // input. With `stop_at_paren`, stops instead at ")" (consumed) and returns
  // 1, dropping the rest of the word.
  int take_word(std::string& out, bool stop_at_paren);
  // Consumes the separators after a word; 1 when a ";" was among them.
  int take_separators();
  bool fill();
  // Sizes `value` for a value that runs past the buffer, by reading ahead.
  void reserve_value(std::string& value);

  std::FILE* input_;
  int lookahead_ = not_read;
  std::array<char, buffer_bytes> buf_{};
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  std::string scratch_;
  bool failed_ = false;
};

}  // namespace tapwright
