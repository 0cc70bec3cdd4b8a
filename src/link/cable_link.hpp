#pragma once
// What the TAP controller is to be clocked through, in runs rather than
// single cycles: a few clocks with given TMS levels, many clocks with TMS
// held, a run of scan bits. Each encoding (bit-bang byte pairs, MPSSE
// commands) turns runs into its own bytes; everything above a link knows
// only runs and, coming back, TDO bits.
#include <cstdint>
#include <string_view>

#include "link/pin_map.hpp"
#include "link/read_back.hpp"

namespace tapwright {

// Bits of a scan as SVF writes values: hex digits, most significant first,
// so that the last digit holds the first four bits shifted. A string too
// short for `bits` reads its missing high digits as 0, except an empty
// `mask`, which compares every bit.
struct ShiftRun {
  std::int64_t bits = 0;
  std::string_view tdi;
  std::string_view tdo;   // expected TDO, looked at only when `compare`
  std::string_view mask;  // which TDO bits to compare
  bool compare = false;   // read TDO back and compare it under the mask
  bool exit = false;      // TMS 1 on the last bit, which leaves the shift state
};

class CableLink {
 public:
  virtual ~CableLink() = default;

  // `count` clocks (at most 64): TMS of the i-th clock is bit i of `tms`,
  // and TDI is held at `tdi`.
  virtual int clock_tms(std::uint64_t tms, int count, int tdi) = 0;
  // `count` clocks with TMS held at `tms` and TDI 0.
  virtual int clock_held(std::uint64_t count, int tms) = 0;
  // One run of scan bits, TMS 0 on every bit but (with `exit`) the last.
  virtual int shift(const ShiftRun& run) = 0;
  // Every clock so far has reached the cable and, in compare mode, has come
  // back and been compared.
  virtual int sync() = 0;
  // The end of a run: one more clock with TMS 0 and TDI 0, then as sync.
  virtual int drain() = 0;
  // TCK from here on at the fastest rate the cable makes that is not above
  // `hz`: the rate set, or 0 when the cable keeps a rate of its own.
  virtual std::uint64_t set_rate(std::uint64_t hz) = 0;
  // Drives the cable's TRST pin, in order with the clocks: 1, 0 when the
  // cable failed, -1 when the cable has no TRST pin.
  virtual int drive_trst(ResetDrive /*drive*/) { return -1; }

  // Clocks handed to the link since it began.
  virtual std::uint64_t cycles() const = 0;
  // Compared TDO bits that differed, over the whole run; final after a sync
  // or the drain.
  virtual std::int64_t mismatch_count() const = 0;
  // Told of the TDO bits as they come back, in the order clocked.
  virtual void set_listener(ReadBackListener* listener) = 0;
};

}  // namespace tapwright
