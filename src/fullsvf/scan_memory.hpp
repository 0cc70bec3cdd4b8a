#pragma once
// SVF's carry-over rules for one kind of scan (SIR, SDR, HIR, TIR, HDR or
// TDR), and the folding of headers and trailers into the scan they wrap.
#include <cstdint>
#include <string>
#include <string_view>

#include "fullsvf/diagnostics.hpp"

namespace tapwright::fullsvf {

// The clauses of one statement as written: hex digits, or absent. Their
// text is taken over by the memory, which saves copying long values.
struct ScanClauses {
  std::int64_t length = 0;
  std::string* tdi = nullptr;
  std::string* tdo = nullptr;
  std::string* mask = nullptr;
  std::string* smask = nullptr;
};

// What a scan shifts once SVF's rules have filled in what it left out: TDI,
// and when a TDO was given, TDO and MASK, as hex digits in either case. A
// value has at most hex_digits_for(length) digits, and its missing high
// digits are zeros, as SVF writes them: a long scan given as TDI (0) costs
// no string of its length. A scan without TDO has a TDO and MASK of "0";
// the MASK SVF implies after a change of length, all ones, is not spelled
// out either. Views into the memory that made them, good until its next
// scan.
struct ScanBits {
  std::int64_t length = 0;
  std::string_view tdi;
  std::string_view tdo;
  std::string_view mask;   // empty when mask_ones
  bool compares = false;   // a TDO was given (its mask may still be all zeros)
  bool mask_ones = false;  // the MASK is all ones
};

// True when the scan compares some bit: a TDO under a mask with a bit set.
bool compares_any(const ScanBits& bits);

// A header or trailer, kept for every scan it wraps until it is replaced.
struct StoredBits {
  std::int64_t length = 0;
  std::string tdi, tdo, mask;
  bool compares = false;
  bool mask_ones = false;

  void store(const ScanBits& bits);
  ScanBits view() const { return {length, tdi, tdo, mask, compares, mask_ones}; }
};

class ScanMemory {
 public:
  // `kind` names the statement in messages ("SDR").
  explicit ScanMemory(std::string kind) : kind_(std::move(kind)) {}

  // Applies SVF's rules: TDI carries over to a scan of the same length and
  // must be given when the length changes; MASK and SMASK carry over to the
  // same length and are all ones otherwise; TDO belongs to its own scan.
  // Problems go to `diagnostics` at `line`; 0 if there were any.
  int resolve(const ScanClauses& clauses, int line, Diagnostics& diagnostics, ScanBits& out);

 private:
  std::string kind_;
  std::int64_t length_ = -1;  // no scan of this kind yet
  bool have_tdi_ = false;
  std::string tdi_, tdo_, mask_;
  // The MASK is all ones (after a change of length), not spelled out.
  bool mask_ones_ = false;
};

// The buffers a folded scan lives in.
struct FoldedBits {
  std::string tdi, tdo, mask;
};

// The one vector of a scan wrapped by its header and trailer: header bits
// first, then the scan's, then the trailer's, each value spelled out in
// full. A part without TDO compares nothing; the result compares when some
// bit of its mask is set.
ScanBits fold_scan(const ScanBits& header, const ScanBits& scan, const ScanBits& trailer,
                   FoldedBits& out);

}  // namespace tapwright::fullsvf
