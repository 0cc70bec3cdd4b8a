// The tokenizer reads its input in pieces; a word, a value, a comment or a
// statement end cut by the end of a piece must read exactly as if it were
// whole. Each text is read once on its own and then behind blanks that move
// every one of its offsets onto the first refill.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "svf/svf_tokenizer.hpp"
#include "svf_run_harness.hpp"

namespace tapwright {
namespace {

using testing::SvfInput;

// Every word the way svf_run asks for it: a clause keyword's value through
// svf_read_value, everything else through svf_next_token; each with its
// statement end, and "!" where a read failed.
std::string read_all(std::string_view text) {
  SvfInput input(text);
  SvfTokenizer tokenizer(input.file());
  std::string seen;
  std::string word;
  std::string value;
  int end = 0;
  while (tokenizer.svf_next_token(word, end)) {
    seen += "[" + word + (end ? ";]" : "]");
    if (word == "TDI" || word == "TDO" || word == "MASK" || word == "SMASK") {
      value = "unset";
      if (!tokenizer.svf_read_value(value, end)) {
        seen += "!";
        break;
      }
      seen += "(" + value + (end ? ");" : ")");
    }
  }
  return seen;
}

TEST(SvfTokenizerRefill, EveryOffsetOnTheRefillReadsAsWhole) {
  const std::vector<std::string> texts = {
      "SIR 8 TDI (ff) TDO (01) MASK (03);\nSDR 32 TDI(0)x TDO (abc\r\n  def)junk ;;\n",
      "// comment to the end\nRUNTEST 12345 TCK;/lone/slash STATE IDLE; //\n//x\nENDDR DRPAUSE;",
      "SDR 16 TDI (00\n//inside a value\n11) SMASK () MASK (\tff ff );\n",
      "SDR 8 TDI (12; SDR 8 TDI (1",
      "HIR 0;TIR 0 ;\r\n\tTRST OFF;",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::string whole = read_all(text);
    ASSERT_NE(whole, "");
    for (std::size_t offset = 0; offset <= text.size(); ++offset) {
      const std::string padded =
          std::string(SvfTokenizer::buffer_bytes - offset, offset % 2 ? ' ' : '\n') + text;
      ASSERT_EQ(read_all(padded), whole) << "offset " << offset;
    }
  }
}

}  // namespace
}  // namespace tapwright
