#include "svf/svf_tokenizer.hpp"

#include <cstring>

namespace tapwright {

namespace {

enum CharClass : unsigned char { word_char = 0, blank = 1, semicolon = 2, close_paren = 3 };

constexpr std::array<unsigned char, 256> make_classes() {
  std::array<unsigned char, 256> classes{};
  classes[' '] = blank;
  classes['\t'] = blank;
  classes['\n'] = blank;
  classes['\r'] = blank;
  classes[';'] = semicolon;
  classes[')'] = close_paren;
  return classes;
}
constexpr std::array<unsigned char, 256> classes = make_classes();

inline unsigned char class_of(char c) {
  return classes[static_cast<unsigned char>(c)];
}
inline bool is_separator(int c) {
  if (c < 0) return false;
  const unsigned char cls = class_of(static_cast<char>(c));
  return cls == blank || cls == semicolon;
}
inline bool is_blank(int c) {
  return c >= 0 && class_of(static_cast<char>(c)) == blank;
}

}  // namespace

bool SvfTokenizer::fill() {
  pos_ = 0;
  len_ = 0;
  if (!input_ || failed_) return false;
  // A read that failed part way still gave the bytes before the failure:
  // they are taken, and the input ends, failed, where they end.
  if (!std::ferror(input_)) len_ = std::fread(buf_.data(), 1, buf_.size(), input_);
  if (len_ == 0 && std::ferror(input_)) failed_ = true;
  return len_ > 0;
}

void SvfTokenizer::advance() {
  if (lookahead_ == end_of_input) return;
  if (lookahead_ != not_read) ++pos_;
  if (pos_ >= len_ && !fill()) {
    lookahead_ = end_of_input;
    return;
  }
  lookahead_ = static_cast<unsigned char>(buf_[pos_]);
}

int SvfTokenizer::begin_word() {
  if (lookahead_ == not_read) advance();
  for (;;) {
    while (is_blank(lookahead_)) advance();
    if (lookahead_ == end_of_input) return 0;
    if (lookahead_ != '/') return 1;
    advance();
    if (lookahead_ != '/') return 2;
    while (lookahead_ != '\n' && lookahead_ != end_of_input) advance();
  }
}

int SvfTokenizer::take_word(std::string& out, bool stop_at_paren) {
  while (lookahead_ != end_of_input) {
    // Take the run of word characters that stands in the buffer in one go.
    const char* const start = buf_.data() + pos_;
    const char* const stop = buf_.data() + len_;
    const char* p = start;
    while (p < stop && class_of(*p) == word_char) ++p;
    while (!stop_at_paren && p < stop && class_of(*p) == close_paren) {
      ++p;
      while (p < stop && class_of(*p) == word_char) ++p;
    }
    out.append(start, static_cast<std::size_t>(p - start));
    pos_ += static_cast<std::size_t>(p - start);
    if (p < stop) {
      lookahead_ = static_cast<unsigned char>(*p);
      if (class_of(*p) != close_paren) return 0;
      // The value ends at its ")"; what follows in the word is dropped.
      advance();
      while (lookahead_ != end_of_input && !is_separator(lookahead_)) advance();
      return 1;
    }
    // The run reached the end of the buffer: go on with the next one.
    pos_ = len_;
    if (!fill()) {
      lookahead_ = end_of_input;
      return 0;
    }
    lookahead_ = static_cast<unsigned char>(buf_[pos_]);
  }
  return 0;
}

void SvfTokenizer::reserve_value(std::string& value) {
  if (lookahead_ == end_of_input) return;
  const char* const rest = buf_.data() + pos_;
  if (std::memchr(rest, ')', len_ - pos_)) return;  // the value ends in this buffer
  // A long value, such as a configuration bitstream: grown by doubling, it
  // would for a moment be held twice. Where the file can be read again, find
  // its ")" ahead and hold it in one allocation of its own size. The ")" may
  // stand in a comment or after a ";" where the value fails; the size is
  // only a capacity, so the read itself is the same either way.
  const long resume = std::ftell(input_);
  if (resume < 0) return;  // a pipe: it grows as it comes
  std::size_t length = len_ - pos_;
  std::array<char, 1 << 14> ahead;
  for (;;) {
    const std::size_t n = std::fread(ahead.data(), 1, ahead.size(), input_);
    if (n == 0) break;
    if (const void* close = std::memchr(ahead.data(), ')', n)) {
      length += static_cast<std::size_t>(static_cast<const char*>(close) - ahead.data());
      break;
    }
    length += n;
  }
  if (std::ferror(input_)) return;  // the next fill reports it
  if (std::fseek(input_, resume, SEEK_SET) != 0) {
    // The file is no longer where the buffer ends: what it would give next
    // cannot be trusted.
    failed_ = true;
    return;
  }
  value.reserve(length);
}

int SvfTokenizer::take_separators() {
  int ended = 0;
  while (is_separator(lookahead_)) {
    if (lookahead_ == ';') ended = 1;
    advance();
  }
  return ended;
}

int SvfTokenizer::svf_next_token(std::string& word, int& statement_end) {
  const int begun = begin_word();
  if (begun == 0) return 0;
  word.clear();
  if (begun == 2) word.push_back('/');
  take_word(word, false);
  if (failed_) return 0;  // the word was cut off
  statement_end = take_separators();
  return 1;
}

int SvfTokenizer::svf_read_value(std::string& value, int& statement_end) {
  int begun = begin_word();
  if (begun == 0) return 0;
  if (begun == 2 || lookahead_ != '(') {
    scratch_.clear();
    if (begun == 2) scratch_.push_back('/');
    take_word(scratch_, false);
    if (failed_) return 0;
    statement_end = take_separators();
    return 1;
  }
  advance();  // the "("
  value.clear();
  reserve_value(value);
  for (;;) {
    const int closed = take_word(value, true);
    if (failed_) return 0;
    const int ended = take_separators();
    if (closed) {
      statement_end = ended;
      return 1;
    }
    // No ")" yet: the value goes on in the next word of the same statement.
    if (ended) return 0;
    begun = begin_word();
    if (begun == 0) return 0;
    if (begun == 2) value.push_back('/');
  }
}

}  // namespace tapwright
