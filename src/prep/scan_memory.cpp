#include "prep/scan_memory.hpp"

namespace tapwright::prep {
namespace {

// Reads one clause value, reporting bits beyond the length.
int read_clause(const std::string& digits, std::int64_t length, const char* clause,
                const std::string& kind, int line, Diagnostics& diagnostics, BitVector& out) {
  if (BitVector::from_hex(digits, length, out)) return 1;
  diagnostics.error(line, kind + " " + std::to_string(length) + ": " + clause + " (" +
                              (digits.size() > 40 ? digits.substr(0, 40) + "..." : digits) +
                              ") has bits set beyond the " + std::to_string(length) +
                              "-bit length");
  return 0;
}

}  // namespace

int ScanMemory::resolve(const ScanClauses& clauses, int line, Diagnostics& diagnostics,
                        ResolvedScan& out) {
  const std::int64_t length = clauses.length;
  const bool same_length = length == length_;
  int ok = 1;

  if (clauses.tdi) {
    BitVector tdi;
    ok &= read_clause(*clauses.tdi, length, "TDI", kind_, line, diagnostics, tdi);
    out.tdi = std::move(tdi);
  } else if (same_length && tdi_) {
    out.tdi = *tdi_;
  } else if (length == 0) {
    out.tdi = BitVector(0);
  } else {
    diagnostics.error(
        line, kind_ + " " + std::to_string(length) + " has no TDI, and " +
                  (length_ < 0 ? "no earlier " + kind_ + " gives one to reuse"
                               : "the earlier " + kind_ + " had " + std::to_string(length_) +
                                     " bits, so its TDI does not carry over"));
    ok = 0;
    out.tdi = BitVector(length);
  }

  if (clauses.mask) {
    ok &= read_clause(*clauses.mask, length, "MASK", kind_, line, diagnostics, mask_);
  } else if (!same_length) {
    mask_ = BitVector::ones(length);
  }
  if (clauses.smask) {
    ok &= read_clause(*clauses.smask, length, "SMASK", kind_, line, diagnostics, smask_);
  } else if (!same_length) {
    smask_ = BitVector::ones(length);
  }

  out.compares = clauses.tdo.has_value();
  if (out.compares) {
    ok &= read_clause(*clauses.tdo, length, "TDO", kind_, line, diagnostics, out.tdo);
    out.mask = mask_;
  } else {
    out.tdo = BitVector(length);
    out.mask = BitVector(length);
  }

  length_ = length;
  tdi_ = out.tdi;
  return ok;
}

ResolvedScan fold_scan(const ResolvedScan& header, const ResolvedScan& scan,
                       const ResolvedScan& trailer) {
  const std::int64_t h = header.tdi.length();
  const std::int64_t n = scan.tdi.length();
  const std::int64_t total = h + n + trailer.tdi.length();
  ResolvedScan out;
  out.tdi = BitVector(total);
  out.tdo = BitVector(total);
  out.mask = BitVector(total);
  const ResolvedScan* parts[] = {&header, &scan, &trailer};
  const std::int64_t offsets[] = {0, h, h + n};
  for (int i = 0; i < 3; ++i) {
    out.tdi.place(parts[i]->tdi, offsets[i]);
    if (!parts[i]->compares) continue;
    out.tdo.place(parts[i]->tdo, offsets[i]);
    out.mask.place(parts[i]->mask, offsets[i]);
  }
  out.compares = out.mask.any();
  return out;
}

}  // namespace tapwright::prep
