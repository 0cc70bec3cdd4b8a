#include "fullsvf/scan_memory.hpp"

#include "fullsvf/bit_vector.hpp"
#include "fullsvf/hex_value.hpp"

namespace tapwright::fullsvf {
namespace {

// Reads one clause value into `out`, reporting bits beyond the length.
int read_clause(std::string& digits, std::int64_t length, const char* clause,
                const std::string& kind, int line, Diagnostics& diagnostics, std::string& out) {
  if (hex_fits(digits, length)) {
    out.swap(digits);
    // Not left to the token: it would hold the value before, which may be
    // as long as this one, until the next statement.
    std::string().swap(digits);
    const std::string_view kept = hex_trim(out, length);
    if (kept.size() != out.size()) out.erase(0, out.size() - kept.size());
    return 1;
  }
  diagnostics.error(line, kind + " " + std::to_string(length) + ": " + clause + " (" +
                              (digits.size() > 40 ? digits.substr(0, 40) + "..." : digits) +
                              ") has bits set beyond the " + std::to_string(length) +
                              "-bit length");
  return 0;
}

BitVector bits_of(std::string_view digits, std::int64_t length) {
  BitVector v;
  BitVector::from_hex(digits, length, v);  // fits: the memory has checked it
  return v;
}

}  // namespace

bool compares_any(const ScanBits& bits) {
  return bits.compares && (bits.mask_ones ? bits.length > 0 : hex_any(bits.mask));
}

void StoredBits::store(const ScanBits& bits) {
  length = bits.length;
  tdi.assign(bits.tdi);
  tdo.assign(bits.tdo);
  mask.assign(bits.mask);
  compares = bits.compares;
  mask_ones = bits.mask_ones;
}

int ScanMemory::resolve(const ScanClauses& clauses, int line, Diagnostics& diagnostics,
                        ScanBits& out) {
  const std::int64_t length = clauses.length;
  const bool same_length = length == length_;
  int ok = 1;

  if (clauses.tdi) {
    ok &= read_clause(*clauses.tdi, length, "TDI", kind_, line, diagnostics, tdi_);
  } else if (same_length && have_tdi_) {
    // the TDI of the scan before
  } else if (length == 0) {
    tdi_.clear();
  } else {
    diagnostics.error(
        line, kind_ + " " + std::to_string(length) + " has no TDI, and " +
                  (length_ < 0 ? "no earlier " + kind_ + " gives one to reuse"
                               : "the earlier " + kind_ + " had " + std::to_string(length_) +
                                     " bits, so its TDI does not carry over"));
    ok = 0;
  }
  // A file with a problem plays nothing; a later scan may still take this
  // TDI over, and reads it as zeros.
  if (!ok) tdi_.assign(length > 0 ? 1 : 0, '0');

  if (clauses.mask) {
    ok &= read_clause(*clauses.mask, length, "MASK", kind_, line, diagnostics, mask_);
    mask_ones_ = false;
  } else if (!same_length) {
    mask_ones_ = true;
  }
  if (clauses.smask && !hex_fits(*clauses.smask, length)) {
    std::string ignored;
    ok &= read_clause(*clauses.smask, length, "SMASK", kind_, line, diagnostics, ignored);
  }

  out.length = length;
  out.tdi = tdi_;
  out.compares = clauses.tdo != nullptr;
  if (out.compares) {
    ok &= read_clause(*clauses.tdo, length, "TDO", kind_, line, diagnostics, tdo_);
    out.tdo = tdo_;
    out.mask_ones = mask_ones_;
    out.mask = mask_ones_ ? std::string_view() : std::string_view(mask_);
  } else {
    out.tdo = "0";
    out.mask = "0";
    out.mask_ones = false;
  }

  length_ = length;
  have_tdi_ = true;
  return ok;
}

ScanBits fold_scan(const ScanBits& header, const ScanBits& scan, const ScanBits& trailer,
                   FoldedBits& out) {
  const std::int64_t total = header.length + scan.length + trailer.length;
  BitVector tdi(total), tdo(total), mask(total);
  const ScanBits* parts[] = {&header, &scan, &trailer};
  std::int64_t offset = 0;
  for (const ScanBits* part : parts) {
    tdi.place(bits_of(part->tdi, part->length), offset);
    if (part->compares) {
      tdo.place(bits_of(part->tdo, part->length), offset);
      mask.place(
          part->mask_ones ? BitVector::ones(part->length) : bits_of(part->mask, part->length),
          offset);
    }
    offset += part->length;
  }
  out.tdi = tdi.to_hex();
  out.tdo = tdo.to_hex();
  out.mask = mask.to_hex();
  return {total, out.tdi, out.tdo, out.mask, mask.any(), false};
}

}  // namespace tapwright::fullsvf
