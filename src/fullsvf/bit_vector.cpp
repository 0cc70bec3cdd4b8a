#include "fullsvf/bit_vector.hpp"

#include <algorithm>

namespace tapwright::fullsvf {
namespace {

std::size_t words_for(std::int64_t bits) {
  return static_cast<std::size_t>((bits + 63) / 64);
}

unsigned nibble(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

}  // namespace

BitVector::BitVector(std::int64_t length) : words_(words_for(length), 0), length_(length) {}

BitVector BitVector::ones(std::int64_t length) {
  BitVector v(length);
  for (auto& w : v.words_) w = ~std::uint64_t{0};
  if (length % 64 != 0) v.words_.back() = (std::uint64_t{1} << (length % 64)) - 1;
  return v;
}

int BitVector::from_hex(std::string_view digits, std::int64_t length, BitVector& out) {
  out = BitVector(length);
  const std::int64_t count = static_cast<std::int64_t>(digits.size());
  for (std::int64_t i = 0; i < count; ++i) {
    const std::uint64_t value = nibble(digits[static_cast<std::size_t>(count - 1 - i)]);
    if (value == 0) continue;
    const std::int64_t bit = 4 * i;
    // A set bit at or above the length: the value is wider than the scan.
    if (bit >= length || (value >> std::min<std::int64_t>(length - bit, 4)) != 0) return 0;
    out.words_[static_cast<std::size_t>(bit / 64)] |= value << (bit % 64);
  }
  return 1;
}

bool BitVector::any() const {
  for (std::uint64_t w : words_) {
    if (w != 0) return true;
  }
  return false;
}

void BitVector::place(const BitVector& part, std::int64_t offset) {
  const std::size_t base = static_cast<std::size_t>(offset / 64);
  const unsigned shift = static_cast<unsigned>(offset % 64);
  for (std::size_t i = 0; i < part.words_.size(); ++i) {
    const std::uint64_t w = part.words_[i];
    if (w == 0) continue;
    words_[base + i] |= w << shift;
    if (shift != 0 && base + i + 1 < words_.size()) words_[base + i + 1] |= w >> (64 - shift);
  }
}

std::string BitVector::to_hex() const {
  static const char digit[] = "0123456789ABCDEF";
  const std::int64_t count = (length_ + 3) / 4;
  std::string hex(static_cast<std::size_t>(count), '0');
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t bit = 4 * i;
    const unsigned v =
        static_cast<unsigned>(words_[static_cast<std::size_t>(bit / 64)] >> (bit % 64)) & 15u;
    hex[static_cast<std::size_t>(count - 1 - i)] = digit[v];
  }
  return hex;
}

}  // namespace tapwright::fullsvf
