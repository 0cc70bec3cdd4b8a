#pragma once
// A scan vector of any length, bit 0 being the first bit shifted. SVF writes
// values as hex numbers, most significant digit first, so the last digit of
// a value holds bits 0 to 3.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tapwright::fullsvf {

class BitVector {
 public:
  BitVector() = default;
  explicit BitVector(std::int64_t length);  // all zeros
  static BitVector ones(std::int64_t length);

  // Reads hex `digits` (all 0-9, a-f, A-F) into a vector of `length` bits:
  // fewer digits are zero-extended. 0 when a bit at or above `length` is set,
  // which SVF forbids; `out` is then unspecified.
  static int from_hex(std::string_view digits, std::int64_t length, BitVector& out);

  std::int64_t length() const { return length_; }
  bool any() const;
  // ORs `part` into this vector starting at bit `offset`; it must fit.
  void place(const BitVector& part, std::int64_t offset);
  // (length + 3) / 4 upper-case digits; "" for length 0.
  std::string to_hex() const;
  bool operator==(const BitVector&) const = default;

 private:
  std::vector<std::uint64_t> words_;
  std::int64_t length_ = 0;
};

}  // namespace tapwright::fullsvf
