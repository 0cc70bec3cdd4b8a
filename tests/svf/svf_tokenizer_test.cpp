#include "svf/svf_tokenizer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tapwright {
namespace {

using namespace std::string_literals;

// Text in a temporary file, read back through a stdio stream as the player
// reads an SVF file.
class TextFile {
 public:
  explicit TextFile(std::string_view text) : file_(std::tmpfile()) {
    EXPECT_NE(file_, nullptr);
    if (!file_) return;
    EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), file_), text.size());
    std::rewind(file_);
  }
  ~TextFile() {
    if (file_) std::fclose(file_);
  }
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

struct Token {
  std::string word;
  int end;
  bool operator==(const Token&) const = default;
};
void PrintTo(const Token& t, std::ostream* os) {
  *os << ::testing::PrintToString(t.word) << (t.end ? ";" : "");
}
using Tokens = std::vector<Token>;

// Every word of `text`, then checks that the end stays the end and that a
// call finding no word writes nothing.
Tokens tokens_of(std::string_view text) {
  TextFile file(text);
  SvfTokenizer tokenizer(file.get());
  Tokens out;
  std::string word;
  int end = 0;
  while (tokenizer.svf_next_token(word, end) == 1 && out.size() < 1000) out.push_back({word, end});
  word = "untouched";
  end = 7;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(tokenizer.svf_next_token(word, end), 0);
    std::string value = "untouched";
    EXPECT_EQ(tokenizer.svf_read_value(value, end), 0);
    EXPECT_EQ(value, "untouched");
  }
  EXPECT_EQ(word, "untouched");
  EXPECT_EQ(end, 7);
  return out;
}

TEST(SvfTokenizer, WordsAndStatementEnds) {
  struct Case {
    const char* what;
    std::string text;
    Tokens tokens;
  };
  const Case cases[] = {
      {"word then ;", "SIR 8;", {{"SIR", 0}, {"8", 1}}},
      {"separators after ; make one end",
       "SIR 8 ;\n ;; \r\n;\tSDR",
       {{"SIR", 0}, {"8", 1}, {"SDR", 0}}},
      {"line end is no statement end",
       "RUNTEST\n100 TCK;",
       {{"RUNTEST", 0}, {"100", 0}, {"TCK", 1}}},
      {"; right after a word", "a;b", {{"a", 1}, {"b", 0}}},
      {"CR, LF and tab are blanks", "A\r\nB\tC\rD", {{"A", 0}, {"B", 0}, {"C", 0}, {"D", 0}}},
      {"end of input right after a word", "HDR 0", {{"HDR", 0}, {"0", 0}}},
      {"empty file", "", {}},
      {"blanks only", " \t\r\n \n", {}},
      {"comment line", "// a comment; SIR\nSIR 8;", {{"SIR", 0}, {"8", 1}}},
      {"comment after ;", "SIR 8; // note\nSDR 1;", {{"SIR", 0}, {"8", 1}, {"SDR", 0}, {"1", 1}}},
      {"comment after a blank", "SIR 8 // note\nSDR", {{"SIR", 0}, {"8", 0}, {"SDR", 0}}},
      {"comment as last line", "SIR 8;\n// last\n", {{"SIR", 0}, {"8", 1}}},
      {"comment as last line, no line feed", "SIR 8;\n// last", {{"SIR", 0}, {"8", 1}}},
      {"comment only", "//", {}},
      {"comment with CR LF", "// x\r\nA", {{"A", 0}}},
      {"// inside a word", "SIR//x y\nSDR", {{"SIR//x", 0}, {"y", 0}, {"SDR", 0}}},
      {"! begins no comment", "! note here;\n", {{"!", 0}, {"note", 0}, {"here", 1}}},
      {"/ alone", "a / b", {{"a", 0}, {"/", 0}, {"b", 0}}},
      {"/ alone before ;", "a /;", {{"a", 0}, {"/", 1}}},
      {"/ at the end of input", "a /", {{"a", 0}, {"/", 0}}},
      {"word beginning with /", "/x/y", {{"/x/y", 0}}},
      {"; first in the file", "  \n\t;  SIR", {{"", 1}, {"SIR", 0}}},
      {"; first after a comment", "// c\n ;X;", {{"", 1}, {"X", 1}}},
      {"only ;", ";;;", {{"", 1}}},
      {"parentheses are word characters",
       "TDI (ab)cd (1 2);",
       {{"TDI", 0}, {"(ab)cd", 0}, {"(1", 0}, {"2)", 1}}},
      {"NUL is a word character", "A\0B \0;"s, {{"A\0B"s, 0}, {"\0"s, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(tokens_of(c.text), c.tokens);
  }
}

TEST(SvfTokenizer, WordsHaveNoLengthLimit) {
  const std::string w300(300, 'x');
  const std::string w1m(1 << 20, 'f');
  EXPECT_EQ(tokens_of(w300 + " " + w1m + ";" + w300), (Tokens{{w300, 0}, {w1m, 1}, {w300, 0}}));
}

struct ValueCase {
  const char* what;
  std::string text;
  int result;
  std::string value;  // "-": left as it was; on failure "" leaves it unchecked
  int end;
  Tokens after;  // the words that follow
};

void expect_value(const ValueCase& c) {
  SCOPED_TRACE(c.what);
  TextFile file(c.text);
  SvfTokenizer tokenizer(file.get());
  std::string value = "-";
  int end = 7;
  EXPECT_EQ(tokenizer.svf_read_value(value, end), c.result);
  if (c.result == 1) {
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(end, c.end);
  } else if (c.value == "-") {
    EXPECT_EQ(value, "-");
    EXPECT_EQ(end, 7);
  }
  Tokens after;
  std::string word;
  while (tokenizer.svf_next_token(word, end) == 1 && after.size() < 100)
    after.push_back({word, end});
  EXPECT_EQ(after, c.after);
}

TEST(SvfTokenizer, ValuesInOneWord) {
  const ValueCase cases[] = {
      {"value then ;", "(00ff);", 1, "00ff", 1, {}},
      {"value then word", "(a5) TDO", 1, "a5", 0, {{"TDO", 0}}},
      {"empty value", "()", 1, "", 0, {}},
      {"characters after ) dropped", "(ab)cd;X", 1, "ab", 1, {{"X", 0}}},
      {"second ) is dropped with the rest", "(ab)c)d e", 1, "ab", 0, {{"e", 0}}},
      {"word without ( is consumed", "ff; SDR", 1, "-", 1, {{"SDR", 0}}},
      {"word beginning with / is consumed", "/x SDR", 1, "-", 0, {{"SDR", 0}}},
      {"comment before the value", "// c (zz)\n(ab);", 1, "ab", 1, {}},
      {"no word left", " \n// c\n", 0, "-", 0, {}},
      {"NUL inside a value", "(0\0f);"s, 1, "0\0f"s, 1, {}},
  };
  for (const ValueCase& c : cases) expect_value(c);
}

// A value split over several words goes on until the word holding ")".
TEST(SvfTokenizer, ValuesSplitOverSeveralWords) {
  const ValueCase cases[] = {
      {"wrapped onto the next line", "(00\nff);", 1, "00ff", 1, {}},
      {"blanks inside the parentheses", "( 0f )", 1, "0f", 0, {}},
      {"blanks inside, then ;", "( 0f ) ;\nSDR", 1, "0f", 1, {{"SDR", 0}}},
      {"many words and blank kinds", "(00 11\r\n22\t33);", 1, "00112233", 1, {}},
      {"end is that of the word holding )", "(00\nff)x\nSDR;", 1, "00ff", 0, {{"SDR", 1}}},
      {"characters after ) dropped", "(1 2)3 4", 1, "12", 0, {{"4", 0}}},
      {"( alone", "( ab);", 1, "ab", 1, {}},
      {"later word beginning with /", "(ab\n/c);", 1, "ab/c", 1, {}},
      {"statement end before )", "(00; ff);", 0, "", 0, {{"ff)", 1}}},
      {"statement end right after (", "(;ff)", 0, "", 0, {{"ff)", 0}}},
      {"input ends before )", "(00 ff", 0, "", 0, {}},
      {"input ends after (", "(", 0, "", 0, {}},
  };
  for (const ValueCase& c : cases) expect_value(c);
}

TEST(SvfTokenizer, LongValueWrappedOverManyLines) {
  std::string text = "TDI (";
  std::string expected;
  for (int line = 0; line < 4000; ++line) {
    const std::string digits(256, "0123456789abcdef"[line % 16]);
    text += digits + "\n";
    expected += digits;
  }
  text += ") ;";
  TextFile file(text);
  SvfTokenizer tokenizer(file.get());
  std::string word;
  std::string value;
  int end = 7;
  ASSERT_EQ(tokenizer.svf_next_token(word, end), 1);
  ASSERT_EQ(tokenizer.svf_read_value(value, end), 1);
  EXPECT_EQ(value.size(), expected.size());
  EXPECT_TRUE(value == expected);
  EXPECT_EQ(end, 1);
}

// The input is read in blocks; a statement placed at every offset across a
// block boundary reads the same.
TEST(SvfTokenizer, StatementAcrossAnyReadBoundary) {
  const std::string statement = "SIR 8 TDI (0\n f) ; // c\n/ TDO (a5)x;";
  for (std::size_t pad = 65536 - statement.size() - 1; pad <= 65536 + 1; ++pad) {
    SCOPED_TRACE(pad);
    TextFile file(std::string(pad, ' ') + statement);
    SvfTokenizer t(file.get());
    std::string word;
    std::string value;
    int end = 7;
    const auto next = [&]() {
      return t.svf_next_token(word, end) == 1 ? Token{word, end} : Token{"<none>", 0};
    };
    EXPECT_EQ(next(), (Token{"SIR", 0}));
    EXPECT_EQ(next(), (Token{"8", 0}));
    EXPECT_EQ(next(), (Token{"TDI", 0}));
    ASSERT_EQ(t.svf_read_value(value, end), 1);
    EXPECT_EQ((Token{value, end}), (Token{"0f", 1}));
    EXPECT_EQ(next(), (Token{"/", 0}));
    EXPECT_EQ(next(), (Token{"TDO", 0}));
    ASSERT_EQ(t.svf_read_value(value, end), 1);
    EXPECT_EQ((Token{value, end}), (Token{"a5", 1}));
    EXPECT_EQ(t.svf_next_token(word, end), 0);
  }
}

}  // namespace
}  // namespace tapwright
