#pragma once
// Which scan a differing TDO bit belongs to. The clock stream reads TDO
// back a block or two behind the cycles it compares; this follows the
// compared scans still waiting for their bits and, as their blocks come
// back, records each scan whose compared bits differ.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include <string_view>
#include "link/clock_stream.hpp"

namespace tapwright::play {

// Scans up to this many bits are reported with their values in full.
inline constexpr std::int64_t reported_bits = 256;

struct ScanFailure {
  int line = 0;
  std::string label;  // "SDR 32"
  std::int64_t length = 0;
  std::int64_t differing = 0;  // compared bits that differ
  std::int64_t first_bit = 0;  // the first of them, counted from the first bit shifted
  // Lower-case hex as SVF writes values; empty over reported_bits.
  std::string read, expected, mask;
};

// "SDR 32: TDO mismatch: read 59604093, expected 5960409f, mask ffffffff"
// or, for a long scan, the count of differing bits and where the first is.
std::string describe(const ScanFailure& failure);

class ScanCheck final : public ReadBackListener {
 public:
  // Failures kept in full; later ones are only counted.
  explicit ScanCheck(std::size_t kept = 10) : kept_(kept) {}

  // A compared scan of `length` bits whose first bit is cycle `first_cycle`
  // of the stream; its TDO and MASK as hex for scans of up to reported_bits.
  void expect(std::uint64_t first_cycle, int line, std::string label, std::int64_t length,
              std::string_view tdo, std::string_view mask);
  // Compared scans whose bits have not all come back yet.
  bool pending() const { return !pending_.empty(); }
  std::uint64_t failed_scans() const { return failed_scans_; }
  std::uint64_t compared_scans() const { return compared_scans_; }
  std::int64_t differing_bits() const { return differing_bits_; }
  const std::vector<ScanFailure>& failures() const { return failures_; }

  void on_read_back(std::uint64_t first_cycle, const std::uint8_t* tdo_bits,
                    const Expectation* expected, std::int32_t cycles,
                    std::int32_t differing) override;

 private:
  struct Pending {
    std::uint64_t first_cycle = 0;
    ScanFailure found;
    std::array<std::uint64_t, reported_bits / 64> read{};
  };
  void finish(Pending& p);

  std::size_t kept_;
  std::deque<Pending> pending_;
  std::vector<ScanFailure> failures_;
  std::uint64_t failed_scans_ = 0;
  std::uint64_t compared_scans_ = 0;
  std::int64_t differing_bits_ = 0;
};

}  // namespace tapwright::play
