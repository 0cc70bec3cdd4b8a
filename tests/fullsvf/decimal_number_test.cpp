#include "fullsvf/decimal_number.hpp"

#include <gtest/gtest.h>

namespace tapwright::fullsvf {
namespace {

TEST(DecimalNumber, ParsesTheFormsVendorsWrite) {
  struct Case {
    const char* word;
    const char* plain;
  };
  const Case cases[] = {
      {"100", "100"},
      {"1E6", "1000000"},
      {"1.00e+006", "1000000"},
      {"50021E-6", "0.050021"},
      {"1.00E-002", "0.01"},
      {"2.5", "2.5"},
      {".5", "0.5"},
      {"0", "0"},
      {"007", "7"},
      {"12E+0", "12"},
      {"+3", "3"},
  };
  for (const Case& c : cases) {
    const auto n = parse_decimal(c.word);
    ASSERT_TRUE(n.has_value()) << c.word;
    EXPECT_EQ(n->to_string(), c.plain) << c.word;
  }
}

TEST(DecimalNumber, RefusesWhatIsNoNumber) {
  for (const char* word : {"", "E6", "1E", "1e+", "0x10", "-1", "1.2.3", "TCK", "12TCK", "."}) {
    EXPECT_FALSE(parse_decimal(word).has_value()) << word;
  }
}

TEST(DecimalNumber, WholeAndCeiling) {
  EXPECT_EQ(parse_decimal("1E3")->whole(), 1000u);
  EXPECT_FALSE(parse_decimal("2.5")->whole().has_value());
  EXPECT_EQ(parse_decimal("2.5")->ceil(), 3u);
  EXPECT_EQ(parse_decimal("2.000")->whole(), 2u);
  EXPECT_FALSE(parse_decimal("1E30")->whole().has_value());
}

TEST(DecimalNumber, TimeTimesRateIsExactAndRoundsUp) {
  const auto mhz = *parse_decimal("1E6");
  // Binary floating point would give 10000.000000000002 and one clock more.
  EXPECT_EQ(ceil_product(*parse_decimal("1.00E-002"), mhz, UINT64_MAX), 10000u);
  EXPECT_EQ(ceil_product(*parse_decimal("50021E-6"), mhz, UINT64_MAX), 50021u);
  EXPECT_EQ(ceil_product(*parse_decimal("1.5E-6"), mhz, UINT64_MAX), 2u);
  EXPECT_EQ(ceil_product(*parse_decimal("1E-30"), mhz, UINT64_MAX), 1u);
  EXPECT_EQ(ceil_product(*parse_decimal("0"), mhz, UINT64_MAX), 0u);
  EXPECT_FALSE(ceil_product(*parse_decimal("1E20"), mhz, UINT64_MAX).has_value());
  EXPECT_FALSE(ceil_product(*parse_decimal("3"), mhz, 2999999).has_value());
  EXPECT_EQ(ceil_product(*parse_decimal("3"), mhz, 3000000), 3000000u);
  // Digits beyond what is kept round the wait up, never down.
  EXPECT_EQ(ceil_product(*parse_decimal("0.00000100000000000000000000000000001"), mhz, UINT64_MAX),
            2u);
  EXPECT_EQ(ceil_product(*parse_decimal("1E-50"), *parse_decimal("1"), 1), 1u);
}

}  // namespace
}  // namespace tapwright::fullsvf
