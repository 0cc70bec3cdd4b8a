#include "jtag/chain_detect.hpp"

#include <algorithm>
#include <bitset>
#include <string_view>

#include "jtag/idcode.hpp"

namespace tapwright {
namespace {

constexpr int idcode_bits = 32;
// Ones enough to read the longest chain taken, and the 32 ones that end it.
constexpr std::int64_t dr_read_bits = (max_chain_devices + 2) * idcode_bits;
// A 0 and then ones enough to fill the longest instruction registers taken.
constexpr std::int64_t ir_read_bits = max_chain_ir_bits + 4;
static_assert(dr_read_bits % 4 == 0 && ir_read_bits % 4 == 0);

using Bits = std::vector<std::uint8_t>;  // one TDO level per clock

const std::string check_causes = "; check the wiring and the cable";

// Collects the TDO levels of clocks [first, first + count) as they come back.
class TdoRecorder final : public ReadBackListener {
 public:
  TdoRecorder(std::uint64_t first, std::size_t count) : bits(count, 0), first_(first) {}
  void on_read_back(std::uint64_t first_cycle, const std::uint8_t* tdo, const Expectation*,
                    std::int32_t cycles, std::int32_t) override {
    for (std::int32_t i = 0; i < cycles; ++i) {
      // Clocks before the first wrap around to large numbers and are left.
      const std::uint64_t at = first_cycle + static_cast<std::uint64_t>(i) - first_;
      if (at < bits.size()) bits[at] = tdo[i];
    }
  }

  Bits bits;

 private:
  std::uint64_t first_;
};

// From Run-Test/Idle: shifts `tdi` (hex digits, `count` bits) through the
// registers of `shift`'s kind, back to Run-Test/Idle, and reads what came
// out on TDO. A mask of zeros reads every bit and counts none as differing.
int shift_and_read(Tap& tap, TapState shift, std::int64_t count, std::string_view tdi, Bits& tdo) {
  if (!tap.walk(shift)) return 0;
  TdoRecorder recorder(tap.link().cycles(), static_cast<std::size_t>(count));
  tap.link().set_listener(&recorder);
  ShiftRun run;
  run.bits = count;
  run.tdi = tdi;
  run.tdo = "0";
  run.mask = "0";
  run.compare = true;
  run.exit = true;
  const int ok = tap.shift(run) && tap.walk(TapState::run_test_idle) && tap.sync();
  tap.link().set_listener(nullptr);
  tdo = std::move(recorder.bits);
  return ok;
}

bool all_ones(const Bits& bits, std::size_t from, std::size_t count) {
  return std::all_of(bits.begin() + static_cast<std::ptrdiff_t>(from),
                     bits.begin() + static_cast<std::ptrdiff_t>(from + count),
                     [](std::uint8_t b) { return b == 1; });
}

// The data registers as they came out, from the device nearest TDO.
int split_ids(const Bits& tdo, std::vector<ChainId>& wire, std::string& error) {
  if (std::count(tdo.begin(), tdo.end(), 1) == 0) {
    error = "TDO reads constant 0 (" + std::to_string(tdo.size()) +
            " bits shifted through the data registers brought back no 1): the target may be "
            "unpowered or TDO held low" +
            check_causes;
    return 0;
  }
  std::size_t at = 0;
  while (!all_ones(tdo, at, idcode_bits)) {
    if (wire.size() == max_chain_devices) {
      error = "the chain does not end within " + std::to_string(max_chain_devices) +
              " devices (the 1s shifted in never came back): TDO may be floating or on the "
              "wrong pin" +
              check_causes;
      return 0;
    }
    // An IDCODE begins with a 1; BYPASS, which a device without IDCODE
    // selects after reset, captures 0.
    if (tdo[at] == 0) {
      wire.push_back({});
      at += 1;
      continue;
    }
    std::uint32_t idcode = 0;
    for (int b = 0; b < idcode_bits; ++b) idcode |= std::uint32_t{tdo[at + b]} << b;
    wire.push_back({true, idcode});
    at += idcode_bits;
  }
  if (wire.empty()) {
    error =
        "TDO reads constant 1 (no device answered in the data registers): TDO may not be "
        "connected, or the target unpowered" +
        check_causes;
    return 0;
  }
  return 1;
}

using Positions = std::bitset<max_chain_ir_bits + 1>;

// How the captured bits of the instruction registers split into devices
// (from the one nearest TDO). Each register captures binary ...01, its
// first bit out 1 and its second 0, so a register can begin only where the
// bits read 1 then 0.
class IrSplit {
 public:
  IrSplit(const Bits& captured, int total, std::size_t devices) : total_(total), n_(devices) {
    for (int p = 0; p + 1 < total; ++p) starts_[p] = captured[p] == 1 && captured[p + 1] == 0;
  }

  // Finds every split where device i is `known[i]` bits long (0: any).
  // False when there is none.
  bool solve(const std::vector<int>& known) {
    known_ = known;
    std::vector<Positions> reach(n_ + 1), back(n_ + 1);
    reach[0][0] = starts_[0];
    for (std::size_t i = 0; i < n_; ++i) {
      // Where device i + 1 (or the end) may begin, after some prefix.
      const Positions begins = i + 1 == n_ ? end_only() : starts_;
      reach[i + 1] = begins & (known[i] ? reach[i] << known[i] : ends_after(reach[i]));
    }
    back[n_] = end_only();
    for (std::size_t i = n_; i-- > 0;) {
      back[i] = starts_ & (known[i] ? back[i + 1] >> known[i] : begins_before(back[i + 1]));
    }
    feasible_.assign(n_ + 1, {});
    for (std::size_t i = 0; i <= n_; ++i) feasible_[i] = reach[i] & back[i];
    return feasible_[0][0];
  }

  // The lengths device i has in the splits found, ascending.
  std::vector<int> lengths(std::size_t i) const {
    Positions any;
    for (int p = 0; p < total_; ++p) {
      if (feasible_[i][p]) any |= feasible_[i + 1] >> p;
    }
    std::vector<int> out;
    for (int length = 2; length <= total_; ++length) {
      if (any[length] && (!known_[i] || length == known_[i])) out.push_back(length);
    }
    return out;
  }

  // One split, shortest registers first: where each device begins.
  std::vector<int> first_split() const {
    std::vector<int> begin{0};
    for (std::size_t i = 0; i < n_; ++i) {
      int q = begin.back() + (known_[i] ? known_[i] : 2);
      while (!feasible_[i + 1][q]) ++q;
      begin.push_back(q);
    }
    return begin;
  }

 private:
  Positions end_only() const { return Positions().set(total_); }
  // Where a register of 2 bits or more that begins at one of `begins` may
  // end: 2 past the first of them, and on.
  static Positions ends_after(const Positions& begins) {
    for (int p = 0; p <= max_chain_ir_bits; ++p) {
      if (begins[p]) return Positions().set() << (p + 2);
    }
    return {};
  }
  // Where a register of 2 bits or more that ends at one of `ends` may begin.
  static Positions begins_before(const Positions& ends) {
    for (int p = max_chain_ir_bits; p >= 2; --p) {
      if (ends[p]) return Positions().set() >> (max_chain_ir_bits + 2 - p);
    }
    return {};
  }

  int total_;
  std::size_t n_;
  Positions starts_;
  std::vector<int> known_;
  std::vector<Positions> feasible_;
};

// Each device's length and how it was found, from the device nearest TDO.
int split_ir(const Bits& captured, int total, std::vector<ChainDevice>& wire, std::string& error) {
  const std::size_t n = wire.size();
  std::vector<int> none(n, 0), table(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const auto part = wire[i].id.has_idcode ? find_known_part(wire[i].id.idcode) : std::nullopt;
    if (part) table[i] = part->ir_length;
  }
  IrSplit split(captured, total, n);
  if (!split.solve(none)) {
    error = "the instruction registers' " + std::to_string(total) +
            " captured bits do not split into " + std::to_string(n) +
            " registers that each capture binary ...01";
    return 0;
  }
  std::vector<std::vector<int>> plain(n);
  bool settled = true;
  for (std::size_t i = 0; i < n; ++i) {
    plain[i] = split.lengths(i);
    settled = settled && plain[i].size() == 1;
  }
  // The known lengths settle what the captures leave open, unless they do
  // not fit them at all.
  const bool tabled = !settled && table != none && split.solve(table);
  if (!tabled) split.solve(none);
  const std::vector<int> begin = split.first_split();
  for (std::size_t i = 0; i < n; ++i) {
    ChainDevice& d = wire[i];
    d.ir_length = begin[i + 1] - begin[i];
    for (int b = std::min(d.ir_length, 64); b-- > 0;) {
      d.ir_capture = d.ir_capture << 1 | captured[static_cast<std::size_t>(begin[i] + b)];
    }
    const std::vector<int> now = tabled ? split.lengths(i) : plain[i];
    d.from = plain[i].size() == 1 ? IrLengthFrom::capture
             : now.size() == 1    ? IrLengthFrom::known_part
                                  : IrLengthFrom::unsettled;
    if (d.from != IrLengthFrom::capture)
      d.possible = d.from == IrLengthFrom::unsettled ? now : plain[i];
  }
  return 1;
}

}  // namespace

int read_chain_ids(Tap& tap, std::vector<ChainId>& ids, std::string& error) {
  if (tap.compare() != 1) {
    error = "reading the chain needs TDO read back: the cable must run in compare mode";
    return 0;
  }
  Bits tdo;
  const std::string ones(dr_read_bits / 4, 'f');
  if (!tap.reset() || !shift_and_read(tap, TapState::shift_dr, dr_read_bits, ones, tdo)) {
    error = "the cable failed (a write or read fell short)";
    return 0;
  }
  std::vector<ChainId> wire;
  if (!split_ids(tdo, wire, error)) return 0;
  ids.assign(wire.rbegin(), wire.rend());
  return 1;
}

int detect_chain(Tap& tap, DetectedChain& chain, std::string& error) {
  std::vector<ChainId> ids;
  if (!read_chain_ids(tap, ids, error)) return 0;
  // The 0 goes in first: after the captured bits, it is the last 0 out.
  // The ones behind it leave every device in BYPASS.
  std::string pattern(ir_read_bits / 4, 'f');
  pattern.back() = 'e';
  Bits tdo;
  if (!shift_and_read(tap, TapState::shift_ir, ir_read_bits, pattern, tdo) || !tap.reset()) {
    error = "the cable failed (a write or read fell short)";
    return 0;
  }
  const auto last_zero = std::find(tdo.rbegin(), tdo.rend(), 0);
  const int total = static_cast<int>(tdo.rend() - last_zero) - 1;
  if (total < 0 || total > max_chain_ir_bits) {
    error = "the instruction registers do not end within " + std::to_string(max_chain_ir_bits) +
            " bits (the 0 shifted in never came back)" + check_causes;
    return 0;
  }
  std::vector<ChainDevice> wire(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) wire[i].id = ids[ids.size() - 1 - i];
  if (!split_ir(tdo, total, wire, error)) return 0;
  chain.devices.assign(wire.rbegin(), wire.rend());
  chain.ir_bits = total;
  return 1;
}

}  // namespace tapwright
