#include "play/scan_check.hpp"

#include <algorithm>

namespace tapwright::play {
namespace {

// A value as the report shows it: all its digits, in lower case.
std::string shown(std::string_view digits, std::int64_t length) {
  const auto need = static_cast<std::size_t>((length + 3) / 4);
  std::string text(need > digits.size() ? need - digits.size() : 0, '0');
  text += digits;
  for (char& c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c + 32);
  }
  return text;
}

std::string hex_of(const std::array<std::uint64_t, reported_bits / 64>& bits, std::int64_t length) {
  static const char digit[] = "0123456789abcdef";
  const std::int64_t count = (length + 3) / 4;
  std::string hex(static_cast<std::size_t>(count), '0');
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t bit = 4 * i;
    const unsigned v =
        static_cast<unsigned>(bits[static_cast<std::size_t>(bit / 64)] >> (bit % 64)) & 15u;
    hex[static_cast<std::size_t>(count - 1 - i)] = digit[v];
  }
  return hex;
}

}  // namespace

std::string describe(const ScanFailure& f) {
  std::string text = f.label + ": TDO mismatch: ";
  if (!f.read.empty() || f.length == 0) {
    return text + "read " + f.read + ", expected " + f.expected + ", mask " + f.mask;
  }
  return text + std::to_string(f.differing) + " of its " + std::to_string(f.length) +
         " bits differ, the first at bit " + std::to_string(f.first_bit) +
         " (bit 0 is shifted first)";
}

void ScanCheck::expect(std::uint64_t first_cycle, int line, std::string label, std::int64_t length,
                       std::string_view tdo, std::string_view mask) {
  Pending& p = pending_.emplace_back();
  p.first_cycle = first_cycle;
  p.found.line = line;
  p.found.label = std::move(label);
  p.found.length = length;
  if (length <= reported_bits) {
    p.found.expected = shown(tdo, length);
    p.found.mask = shown(mask, length);
  }
  ++compared_scans_;
}

void ScanCheck::on_read_back(std::uint64_t first_cycle, const std::uint8_t* tdo_bits,
                             const Expectation* expected, std::int32_t cycles,
                             std::int32_t differing) {
  const std::uint64_t block_end = first_cycle + static_cast<std::uint64_t>(cycles);
  for (Pending& p : pending_) {
    if (p.first_cycle >= block_end) break;
    const auto length = static_cast<std::uint64_t>(p.found.length);
    const std::uint64_t lo = std::max(first_cycle, p.first_cycle);
    const std::uint64_t hi = std::min(block_end, p.first_cycle + length);
    const bool small = p.found.length <= reported_bits;
    // A long scan is looked at only where its block holds a difference.
    if (lo >= hi || (!small && differing == 0)) continue;
    for (std::uint64_t c = lo; c < hi; ++c) {
      const std::uint64_t j = c - first_cycle;
      const std::uint64_t bit = c - p.first_cycle;
      const unsigned tdo = tdo_bits[j] & 1u;
      if (small) p.read[bit / 64] |= std::uint64_t{tdo} << (bit % 64);
      const auto e = static_cast<unsigned>(expected[j]);
      if ((e & expect_care) && ((e ^ tdo) & 1u)) {
        if (p.found.differing++ == 0) p.found.first_bit = static_cast<std::int64_t>(bit);
      }
    }
  }
  while (!pending_.empty() &&
         pending_.front().first_cycle + static_cast<std::uint64_t>(pending_.front().found.length) <=
             block_end) {
    finish(pending_.front());
    pending_.pop_front();
  }
}

void ScanCheck::finish(Pending& p) {
  if (p.found.differing == 0) return;
  ++failed_scans_;
  differing_bits_ += p.found.differing;
  if (failures_.size() >= kept_) return;
  if (p.found.length <= reported_bits) p.found.read = hex_of(p.read, p.found.length);
  failures_.push_back(std::move(p.found));
}

}  // namespace tapwright::play
