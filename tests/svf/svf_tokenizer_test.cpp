#include "svf/svf_tokenizer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "svf_run_harness.hpp"

namespace tapwright {
namespace {

using namespace std::string_literals;

using testing::SvfInput;

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
  SvfInput file(text);
  SvfTokenizer tokenizer(file.file());
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
      {"CR, LF and tab are blanks", "A\r\nB\tC\rD", {{"A", 0}, {"B", 0}, {"C", 0}, {"D", 0}}},
      {"end of input right after a word", "HDR 0", {{"HDR", 0}, {"0", 0}}},
      {"blanks only", " \t\r\n \n", {}},
      {"comment line", "// a comment; SIR\nSIR 8;", {{"SIR", 0}, {"8", 1}}},
      {"comment after a blank", "SIR 8 // note\nSDR", {{"SIR", 0}, {"8", 0}, {"SDR", 0}}},
      {"comment as last line, no line feed", "SIR 8;\n// last", {{"SIR", 0}, {"8", 1}}},
      {"// inside a word", "SIR//x y\nSDR", {{"SIR//x", 0}, {"y", 0}, {"SDR", 0}}},
      {"! begins no comment", "! note here;\n", {{"!", 0}, {"note", 0}, {"here", 1}}},
      {"/ alone", "a / b", {{"a", 0}, {"/", 0}, {"b", 0}}},
      {"; first in the file", "  \n\t;  SIR", {{"", 1}, {"SIR", 0}}},
      {"; first after a comment", "// c\n ;X;", {{"", 1}, {"X", 1}}},
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
  SvfInput file(c.text);
  SvfTokenizer tokenizer(file.file());
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
      {"empty value", "()", 1, "", 0, {}},
      {"characters after ) dropped", "(ab)cd;X", 1, "ab", 1, {{"X", 0}}},
      {"second ) is dropped with the rest", "(ab)c)d e", 1, "ab", 0, {{"e", 0}}},
      {"word without ( is consumed", "ff; SDR", 1, "-", 1, {{"SDR", 0}}},
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
      {"many words and blank kinds", "(00 11\r\n22\t33);", 1, "00112233", 1, {}},
      {"end is that of the word holding )", "(00\nff)x\nSDR;", 1, "00ff", 0, {{"SDR", 1}}},
      {"characters after ) dropped", "(1 2)3 4", 1, "12", 0, {{"4", 0}}},
      {"later word beginning with /", "(ab\n/c);", 1, "ab/c", 1, {}},
      {"statement end before )", "(00; ff);", 0, "", 0, {{"ff)", 1}}},
      {"statement end right after (", "(;ff)", 0, "", 0, {{"ff)", 0}}},
      {"input ends before )", "(00 ff", 0, "", 0, {}},
  };
  for (const ValueCase& c : cases) expect_value(c);
}

// The input is read in blocks; a statement placed at every offset across a
// block boundary (a word, a wrapped value, a comment, a statement end cut by
// it) reads the same.
TEST(SvfTokenizer, StatementAcrossAnyReadBoundary) {
  const std::string statement = "SIR 8 TDI (0\n f) ; // c\n/ TDO (a5)x;";
  const std::size_t block = SvfTokenizer::buffer_bytes;
  for (std::size_t pad = block - statement.size() - 1; pad <= block + 1; ++pad) {
    SCOPED_TRACE(pad);
    SvfInput file(std::string(pad, ' ') + statement);
    SvfTokenizer t(file.file());
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
