#pragma once
// A string of bits of any length, bit 0 first: the contents of a scratch
// data register, which holds however many bits were last shifted into it.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tapwright::sim {

class BitString {
 public:
  std::size_t size() const { return size_; }

  // Bit `index`, or 0 past the end: a register never written reads as zeros.
  int bit(std::size_t index) const {
    return index < size_ ? static_cast<int>((words_[index >> 6] >> (index & 63)) & 1u) : 0;
  }

  // Appends a bit. The words keep their capacity across clear(), so a scan
  // no longer than an earlier one allocates nothing.
  void push_back(int bit) {
    if ((size_ & 63) == 0) words_.push_back(0);
    words_[size_ >> 6] |= static_cast<std::uint64_t>(bit & 1) << (size_ & 63);
    ++size_;
  }

  void clear() {
    words_.clear();
    size_ = 0;
  }

  // Drops the first `count` bits (all of them, if there are fewer).
  void drop_front(std::size_t count) {
    BitString rest;
    for (std::size_t i = count; i < size_; ++i) rest.push_back(bit(i));
    swap(rest);
  }
  void swap(BitString& other) noexcept {
    words_.swap(other.words_);
    std::swap(size_, other.size_);
  }

 private:
  std::vector<std::uint64_t> words_;
  std::size_t size_ = 0;
};

}  // namespace tapwright::sim
