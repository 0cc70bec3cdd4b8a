#include "prep/bit_vector.hpp"

#include <gtest/gtest.h>

namespace tapwright::prep {
namespace {

BitVector hex(std::string_view digits, std::int64_t length) {
  BitVector v;
  EXPECT_EQ(BitVector::from_hex(digits, length, v), 1) << digits;
  return v;
}

TEST(BitVector, HexRoundTripZeroExtendsAndUpperCases) {
  EXPECT_EQ(hex("a5", 8).to_hex(), "A5");
  EXPECT_EQ(hex("5", 12).to_hex(), "005");
  EXPECT_EQ(hex("003F", 6).to_hex(), "3F");
  EXPECT_EQ(hex("", 0).to_hex(), "");
  EXPECT_EQ(hex("", 3).to_hex(), "0");
}

TEST(BitVector, BitsBeyondTheLengthAreRefused) {
  BitVector v;
  EXPECT_EQ(BitVector::from_hex("40", 6, v), 0);  // bit 6 of a 6-bit scan
  EXPECT_EQ(BitVector::from_hex("3F", 6, v), 1);
  EXPECT_EQ(BitVector::from_hex("1", 0, v), 0);
  EXPECT_EQ(BitVector::from_hex("10000000000000000", 64, v), 0);
}

TEST(BitVector, PlaceAcrossWordBoundaries) {
  // 70 ones placed at bit 3 of a 130-bit vector: bits 3..72.
  BitVector v(130);
  v.place(BitVector::ones(70), 3);
  BitVector expected;
  ASSERT_EQ(BitVector::from_hex("1FFFFFFFFFFFFFFFFF8", 130, expected), 1);
  EXPECT_EQ(v, expected);
  EXPECT_TRUE(v.any());
  EXPECT_FALSE(BitVector(200).any());
  EXPECT_EQ(BitVector::ones(5).to_hex(), "1F");
}

}  // namespace
}  // namespace tapwright::prep
