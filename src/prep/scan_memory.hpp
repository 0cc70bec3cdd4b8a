#pragma once
// SVF's carry-over rules for one kind of scan (SIR, SDR, HIR, TIR, HDR or
// TDR), and the folding of headers and trailers into the scan they wrap.
#include <cstdint>
#include <optional>
#include <string>

#include "prep/bit_vector.hpp"
#include "prep/prep_diagnostic.hpp"

namespace tapwright::prep {

// The clauses of one statement as written: hex digits, or absent.
struct ScanClauses {
  std::int64_t length = 0;
  std::optional<std::string> tdi, tdo, mask, smask;
};

// What a statement means once SVF's rules have filled in what it left out.
struct ResolvedScan {
  BitVector tdi;
  bool compares = false;  // TDO given; then tdo and mask have the scan's length
  BitVector tdo;
  BitVector mask;
};

class ScanMemory {
 public:
  // `kind` names the statement in messages ("SDR").
  explicit ScanMemory(std::string kind) : kind_(std::move(kind)) {}

  // Applies SVF's rules: TDI carries over to a scan of the same length and
  // must be given when the length changes; MASK and SMASK carry over to the
  // same length and are all ones otherwise; TDO belongs to its own scan.
  // Problems go to `diagnostics` at `line`; 0 if there were any.
  int resolve(const ScanClauses& clauses, int line, Diagnostics& diagnostics, ResolvedScan& out);

 private:
  std::string kind_;
  std::int64_t length_ = -1;  // no scan of this kind yet
  std::optional<BitVector> tdi_;
  BitVector mask_;
  BitVector smask_;
};

// The vector shifted for a scan wrapped by its header and trailer: header
// bits first, then the scan's, then the trailer's. A part without TDO
// compares nothing; the result compares only if some bit of its mask is set.
ResolvedScan fold_scan(const ResolvedScan& header, const ResolvedScan& scan,
                       const ResolvedScan& trailer);

}  // namespace tapwright::prep
